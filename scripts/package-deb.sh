#!/usr/bin/env bash
# Builds the Debian package from the release preset and checks it: the
# programs, the desktop entry and the icon are in its file list, and the
# desktop entry passes desktop-file-validate.  Leaves the .deb in
# build/release.
#
#   sudo apt install ./build/release/texture-tools_1.0_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
(cd build/release && cpack -G DEB >/dev/null)
package=$(ls build/release/texture-tools_*.deb)
echo "Debian package: $package"

contents=$(dpkg-deb -c "$package" | awk '{ print $6 }')
status=0
for path in ./usr/bin/rastella ./usr/bin/rastella-script ./usr/bin/treebane \
            ./usr/share/applications/rastella.desktop \
            ./usr/share/icons/hicolor/scalable/apps/rastella.svg; do
  if ! grep -qxF "$path" <<<"$contents"; then
    echo "package-deb: $path is missing from the package" >&2
    status=1
  fi
done
# Nothing of the build or the tests belongs in the package.
if grep -vE '^\./usr/(bin|share/(applications|icons|doc))(/|$)|^\./(usr/(share/)?)?$' <<<"$contents"; then
  echo "package-deb: unexpected files in the package (above)" >&2
  status=1
fi

extracted=$(mktemp -d)
trap 'rm -rf "$extracted"' EXIT
dpkg-deb -x "$package" "$extracted"
desktop-file-validate "$extracted/usr/share/applications/rastella.desktop" || status=1
grep -qx 'Exec=rastella %f' "$extracted/usr/share/applications/rastella.desktop" || {
  echo "package-deb: the desktop entry does not pass the file to rastella" >&2
  status=1
}
dpkg-deb -f "$package" Depends | grep -q libqt6widgets6 || {
  echo "package-deb: the package does not depend on Qt 6 Widgets" >&2
  status=1
}
exit "$status"
