#!/usr/bin/env bash
# Installs the Debian packages that one purpose needs, and only those that
# are missing.
#
#   scripts/install-deps.sh run       compiler, CMake and Qt: build and run
#   scripts/install-deps.sh test      run + what the tests need
#   scripts/install-deps.sh windows   mingw-w64 and wine for the Windows builds
#   scripts/install-deps.sh bench     what bench/compare needs
#
# Several groups may be named at once.  A package archive in the middle of a
# sync must not stop a build: a failed index update is retried once and then
# tolerated (the lists that did arrive are used), and the command fails only
# when a required package is still missing afterwards, naming it.  Optional
# packages (32-bit wine) are reported when they cannot be had, and what
# needs them is skipped by the scripts that use them.
set -uo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/install-deps.sh [run|test|windows|bench]..." >&2
  exit 2
}

required=()
optional=()
for group in "${@:-run}"; do
  case "$group" in
    run)
      required+=(cmake g++ make pkg-config qt6-base-dev libgl-dev) ;;
    test)
      required+=(cmake g++ make pkg-config qt6-base-dev libgl-dev
                 libgtest-dev libgmock-dev googletest
                 imagemagick libpng-dev zlib1g-dev
                 xvfb xauth xdotool
                 clang clang-format libclang-rt-14-dev strace
                 python3 desktop-file-utils dpkg-dev) ;;
    windows)
      required+=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
                 googletest python3 xvfb xauth xdotool imagemagick)
      # 32-bit wine comes from Debian's i386 architecture, whose indexes and
      # libraries must match the amd64 ones exactly: often not to be had.
      optional+=(wine32:i386) ;;
    bench)
      required+=(cmake g++ make libbenchmark-dev libstb-dev libpng-dev zlib1g-dev
                 imagemagick python3 coreutils time) ;;
    *)
      echo "install-deps: unknown group '$group'" >&2
      usage ;;
  esac
done

is_installed() {
  # python3 may come from elsewhere than Debian (a pyenv, say): a working
  # interpreter on PATH is as good as the package.
  if [ "$1" = python3 ] && command -v python3 >/dev/null 2>&1; then
    return 0
  fi
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing_of() {
  local package
  for package in "$@"; do
    is_installed "$package" || printf '%s\n' "$package"
  done
}

mapfile -t missing_required < <(missing_of "${required[@]}" | sort -u)
mapfile -t missing_optional < <(missing_of "${optional[@]}" | sort -u)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
# Another apt run may hold the lock for a while; wait for it.
apt_get=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)

if [ "${#missing_required[@]}" -gt 0 ] || [ "${#missing_optional[@]}" -gt 0 ]; then
  all=("${missing_required[@]}" "${missing_optional[@]}")
  echo "install-deps: installing ${all[*]}"
  for package in "${missing_optional[@]}"; do
    if [[ "$package" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      "${as_root[@]}" dpkg --add-architecture i386 ||
        echo "install-deps: cannot add the i386 architecture; going on without it"
    fi
  done

  if ! "${apt_get[@]}" update -qq; then
    echo "install-deps: apt-get update failed; retrying once"
    sleep 5
    "${apt_get[@]}" update -qq ||
      echo "install-deps: apt-get update failed again; using the package lists that did download"
  fi

  # One transaction for everything; when the archive refuses part of it,
  # each package on its own, so that one refusal costs only that package.
  if ! "${apt_get[@]}" install -y -qq --no-install-recommends "${all[@]}"; then
    echo "install-deps: installing them together failed; trying one package at a time"
    for package in "${all[@]}"; do
      "${apt_get[@]}" install -y -qq --no-install-recommends "$package" ||
        echo "install-deps: could not install $package"
    done
  fi
fi

for package in "${optional[@]}"; do
  if ! is_installed "$package"; then
    echo "install-deps: optional package $package is not available; what needs it is skipped"
  fi
done

status=0
for package in "${required[@]}"; do
  if ! is_installed "$package"; then
    echo "install-deps: required package $package could not be installed" >&2
    status=1
  fi
done
exit "$status"
