#!/usr/bin/env bash
# Builds the programs (only those it runs) and opens the viewer on a folder
# of generated sample images.  Without a display it runs the same demo
# headless through rastella-script and prints the status lines.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh run

build_dir="$root/build/run"
cmake --preset run >/dev/null
cmake --build --preset run -j "$(nproc)"

samples_dir="$build_dir/samples"
"$build_dir/rastella/samples/rastella-samples" "$samples_dir" >/dev/null
echo "Sample images are in $samples_dir, tree textures for treebane in $samples_dir/trees."

cd "$samples_dir"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build_dir/rastella/shell/qt/rastella"
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are empty): running the viewer's demo headless."
echo
"$build_dir/rastella/rastella-script" <<'SCRIPT'
click sunset-rgba.tga
view
save-tga
save-alpha
save-ztf
click ZTF-sunset-rgba.tga
view
texts
SCRIPT
