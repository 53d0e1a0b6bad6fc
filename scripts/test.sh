#!/usr/bin/env bash
# Builds everything and runs every test three ways:
#   1. a normal build with warnings as errors, every test;
#   2. the same with AddressSanitizer and UndefinedBehaviorSanitizer, every
#      test again (any report fails the run);
#   3. the libFuzzer targets (clang), each run a fixed number of times on
#      its seeds;
#   4. the Windows programs, cross-built for 64 and 32 bits and tested under
#      wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

echo "== Build and test"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEXTURE_TOOLS_WARNINGS_AS_ERRORS=ON
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" | tee build/test/ctest.log

echo "== Build and test with sanitizers"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEXTURE_TOOLS_WARNINGS_AS_ERRORS=ON \
  -DTEXTURE_TOOLS_SANITIZE=ON
cmake --build build/sanitize -j "$jobs"
# Some tests preload a fault-injection library into the programs they run,
# which puts it ahead of the sanitizer runtime.
ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp" \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs" | tee build/sanitize/ctest.log

echo "== Short fuzzing runs"
bash scripts/fuzz.sh --runs 3000

echo "== Windows builds under wine"
bash scripts/test-windows.sh

# Every suite passed (any failure has ended the script): one closing count.
count() { sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\)/\1/p' "$1" | tail -n 1; }
echo "$(( $(count build/test/ctest.log) + $(count build/sanitize/ctest.log) + 3 + $(cat build/windows-tests.count) )) passed, 0 failed"
