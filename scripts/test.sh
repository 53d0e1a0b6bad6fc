#!/usr/bin/env bash
# Builds everything and runs every test, each build from its CMake preset:
#   1. dev: optimised, warnings as errors, every test;
#   2. debug: no optimisation and every assertion on, the unit, scenario
#      and fuzz-replay tests;
#   3. sanitize: AddressSanitizer and UndefinedBehaviorSanitizer with
#      assertions, every test again (any report fails the run);
#   4. fuzz: the libFuzzer targets (clang), each run a fixed number of
#      times on its seeds;
#   5. the Windows programs, cross-built for 64 and 32 bits and tested under
#      wine (scripts/test-windows.sh);
#   6. the Debian package, built and checked (scripts/package-deb.sh).
# Ends with one line: "N passed, 0 failed, K skipped".
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test windows
jobs=$(nproc)

# Runs one preset's tests and keeps CTest's summary for the closing count.
run_tests() {
  local preset=$1
  ctest --preset "$preset" -j "$jobs" | tee "build/$preset/ctest.log"
}

for preset in dev debug sanitize; do
  echo "== Build and test: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  run_tests "$preset"
done

echo "== Short fuzzing runs"
bash scripts/fuzz.sh --runs 3000

echo "== Windows builds under wine"
bash scripts/test-windows.sh

echo "== Debian package"
bash scripts/package-deb.sh

# Every suite passed (any failure has ended the script): one closing count.
count() { sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\)/\1/p' "build/$1/ctest.log" | tail -n 1; }
read -r windows_passed windows_skipped < build/windows-tests.count
fuzz_targets=6
echo "$(( $(count dev) + $(count debug) + $(count sanitize) + fuzz_targets + windows_passed + 1 )) passed, 0 failed, $windows_skipped skipped"
