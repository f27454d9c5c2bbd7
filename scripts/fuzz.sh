#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each over its corpus (a copy,
# so the committed corpus only changes by hand), within limits of time per
# input and of memory, so that slowness and hunger count as failures too.
#   usage: fuzz.sh [SECONDS_EACH [TARGET...]]   (default: $FUZZ_SECONDS or 30, every target)
# CI runs the short default; a long run is e.g. `bash scripts/fuzz.sh 3600 fuzz_settings`.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-${FUZZ_SECONDS:-30}}"
[ "$#" -gt 0 ] && shift
ONLY=("$@")
# Only the fuzz targets (and the core library they link) are built here.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARDOLIN_FUZZ=ON -DBUILD_TESTING=OFF -DVARDOLIN_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_all -j"$(nproc)"
shopt -s nullglob
targets=()
for f in build-fuzz/fuzz-bin/fuzz_*; do [ -f "$f" ] && [ -x "$f" ] && targets+=("$f"); done
if [ "${#targets[@]}" -eq 0 ]; then echo "no fuzz targets"; exit 0; fi
for t in "${targets[@]}"; do
  name="$(basename "$t")"
  if [ "${#ONLY[@]}" -gt 0 ] && [[ " ${ONLY[*]} " != *" $name "* ]]; then continue; fi
  work="$(mktemp -d)"
  echo "-- $name (${SECONDS_EACH}s)"
  mkdir -p "$work/corpus" "$work/artifacts"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/corpus/"; fi
  # A settings file worth the name is a few kilobytes: past 8 KB every one of its
  # limits (line length, line count) is already crossed, and larger inputs only
  # slow the run. Allocation stacks are left out of reports for speed; a kept
  # input rerun by hand gives them.
  max_len=65536
  [ "$name" = fuzz_settings ] && max_len=8192
  status=0
  ASAN_OPTIONS=detect_leaks=0:malloc_context_size=0 "$t" -max_total_time="$SECONDS_EACH" -max_len="$max_len" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?
  grep -E "stat::number_of_executed_units|stat::new_units_added" "$work/log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$work/log"
    echo "fuzzer $name found a failure; input kept in $work/artifacts"
    exit 1
  fi
  rm -rf "$work"
done
