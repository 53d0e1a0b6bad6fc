#!/usr/bin/env bash
# Puts the Windows executables of both architectures, built by
# scripts/test-windows.sh, into one release folder with a short text on
# their use: build/windows-release.
set -euo pipefail
cd "$(dirname "$0")/.."

release=build/windows-release
rm -rf "$release"
for arch in x86_64 i686; do
  mkdir -p "$release/$arch"
  for program in rastella/shell/win32/rastella.exe treebane/treebane.exe; do
    if [ -f "build/windows-$arch/$program" ]; then
      cp "build/windows-$arch/$program" "$release/$arch/"
    fi
  done
done
cp packaging/windows/README.txt "$release/"
echo "Windows release in $release:"
find "$release" -type f | sort
