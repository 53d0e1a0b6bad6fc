#!/usr/bin/env bash
# Cross-builds the Windows programs, 64- and 32-bit, with mingw-w64 and tests
# them under wine against the Linux build (which scripts/test.sh has built in
# build/test): the core's unit tests, rastella-script.exe on the scenarios
# with their expected output, rastella.exe driven on a virtual display, and
# treebane.exe's console and files byte for byte.  Leaves the
# release folder build/windows-release.
set -euo pipefail
cd "$(dirname "$0")/.."

host=build/test
if [ ! -x "$host/rastella/rastella-script" ]; then
  cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEXTURE_TOOLS_WARNINGS_AS_ERRORS=ON
  cmake --build "$host" -j "$(nproc)"
fi

# One wine prefix per run, made before the tests.
export WINEDEBUG=-all
export WINEPREFIX="$PWD/build/wine-prefix"
rm -rf "$WINEPREFIX"
timeout 300 wine wineboot --init >/dev/null 2>&1 || true

passed=0
for arch in x86_64 i686; do
  build=build/windows-$arch
  echo "== Windows $arch: build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$arch.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTEXTURE_TOOLS_WARNINGS_AS_ERRORS=ON
  cmake --build "$build" -j "$(nproc)"

  echo "== Windows $arch: unit tests under wine"
  ctest --test-dir "$build" --output-on-failure --timeout 600
  passed=$((passed + $(ctest --test-dir "$build" -N | sed -n 's/^Total Tests: //p')))

  echo "== Windows $arch: rastella-script.exe on the reviewed scenarios"
  RASTELLA_SCRIPT_COMMAND="wine $PWD/$build/rastella/rastella-script.exe" \
    "$host/rastella/tests/rastella_scenario_tests"
  passed=$((passed + 1))

  echo "== Windows $arch: rastella.exe on a virtual display"
  timeout 600 python3 rastella/shell/win32/tests/gui_test.py --exe "$build/rastella/shell/win32/rastella.exe" \
    --script "$host/rastella/rastella-script" --samples "$host/rastella/samples/rastella-samples"
  passed=$((passed + 1))

  echo "== Windows $arch: rastella.exe on a name the ANSI code page cannot carry, beside its best-fit twin"
  timeout 600 python3 rastella/shell/win32/tests/gui_test.py --exe "$build/rastella/shell/win32/rastella.exe" \
    --script "$host/rastella/rastella-script" --samples "$host/rastella/samples/rastella-samples" \
    --chosen-as "α-é.tga" --twin "a-é.tga"
  passed=$((passed + 1))

  echo "== Windows $arch: rastella-script.exe on names the ANSI code page cannot carry"
  timeout 600 python3 rastella/shell/win32/tests/names_test.py --exe "$build/rastella/rastella-script.exe" \
    --linux "$host/rastella/rastella-script"
  passed=$((passed + 1))

  if [ -f treebane/tests/windows/compare_test.py ]; then
    echo "== Windows $arch: treebane.exe against the Linux program"
    timeout 900 python3 treebane/tests/windows/compare_test.py --exe "$build/treebane/treebane.exe" \
      --linux "$host/treebane/treebane"
    passed=$((passed + 1))
    echo "== Windows $arch: treebane.exe interrupted with Ctrl+C in a console"
    timeout 600 python3 treebane/tests/windows/interrupt_test.py --exe "$build/treebane/treebane.exe"
    passed=$((passed + 1))
    echo "== Windows $arch: treebane.exe on names the ANSI code page cannot carry"
    timeout 600 python3 treebane/tests/windows/names_test.py --exe "$build/treebane/treebane.exe" \
      --linux "$host/treebane/treebane"
    passed=$((passed + 1))
  fi
done

bash scripts/package-windows.sh
echo "$passed" > build/windows-tests.count
echo "Windows: $passed passed, 0 failed"
