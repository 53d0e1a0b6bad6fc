#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# and only those that are missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest
  qt6-base-dev libgl-dev
  imagemagick
  libpng-dev zlib1g-dev
  xvfb xauth xdotool
  clang libclang-rt-14-dev strace
  # The Windows builds: mingw-w64 cross compilers and wine for both
  # architectures (the 32-bit one from Debian's i386 architecture).
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    sudo_command=sudo
  else
    sudo_command=
  fi
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_command dpkg --add-architecture i386
  fi
  $sudo_command apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_command apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
