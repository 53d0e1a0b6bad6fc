#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs them on their
# seeds and a corpus kept in build/fuzz/corpus.
#
#   scripts/fuzz.sh                 each target for 60 seconds
#   scripts/fuzz.sh --seconds 600   each target for ten minutes
#   scripts/fuzz.sh --runs 3000     each target for a fixed number of inputs
#   scripts/fuzz.sh --seconds 60 view   only the named targets
#                                   (view, script, tga-read, ztf-decode,
#                                   ztf-round-trip, treebane)
#
# A target that fails leaves its input in build/fuzz/artifacts/TARGET; copy
# it into rastella/fuzz/regressions (or treebane's seeds) once it is fixed,
# so that CTest replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time=60)
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    view|script|tga-read|ztf-decode|ztf-round-trip|treebane) targets+=("$1"); shift ;;
    *) echo "usage: scripts/fuzz.sh [--seconds N | --runs N] [view] [script] [tga-read] [ztf-decode]" \
            "[ztf-round-trip] [treebane]" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(view script tga-read ztf-decode ztf-round-trip treebane)

build=build/fuzz
# The fuzz preset: clang, sanitizers and assertions, in build/fuzz.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target rastella-view-fuzzer rastella-script-fuzzer rastella-tga-read-fuzzer \
  rastella-ztf-decode-fuzzer rastella-ztf-round-trip-fuzzer treebane-fuzzer rastella-fuzz-seed-files

for target in "${targets[@]}"; do
  case "$target" in
    view) binary=$build/rastella/fuzz/rastella-view-fuzzer; seeds=$build/rastella/fuzz/seeds/view
          dict=rastella/fuzz/view.dict; extra=(-max_len=80000) ;;
    script) binary=$build/rastella/fuzz/rastella-script-fuzzer; seeds=$build/rastella/fuzz/seeds/script
            dict=rastella/fuzz/script.dict; extra=() ;;
    tga-read|ztf-decode) binary=$build/rastella/fuzz/rastella-$target-fuzzer; seeds=$build/rastella/fuzz/seeds/view
                         dict=rastella/fuzz/view.dict; extra=() ;;
    ztf-round-trip) binary=$build/rastella/fuzz/rastella-$target-fuzzer
                    seeds=$build/rastella/fuzz/seeds/ztf-round-trip; dict=; extra=() ;;
    treebane) binary=$build/treebane/fuzz/treebane-fuzzer; seeds=treebane/fuzz/seeds
              dict=treebane/fuzz/treebane.dict; extra=() ;;
  esac
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  echo "== Fuzzing $target (${limit[*]})"
  artifacts=$build/artifacts/$target
  mkdir -p "$artifacts"
  log=$build/$target.log
  status=0
  [ -z "$dict" ] || extra+=(-dict="$dict")
  "$binary" "${limit[@]}" "${extra[@]}" -artifact_prefix="$artifacts/" -print_final_stats=1 \
    "$corpus" "$seeds" > "$log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY)' "$log" || true
  # Inputs a second, from libFuzzer's last status line.
  grep -oE 'exec/s: [0-9]+' "$log" | tail -n 1 || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz target $target failed (status $status); inputs kept in $artifacts" >&2
    exit 1
  fi
done
