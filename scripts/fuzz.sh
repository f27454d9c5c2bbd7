#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS over its
# corpus (a copy, so the committed corpus only changes by hand).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${FUZZ_SECONDS:-30}"
CC=clang CXX=clang++ BUILD_DIR=build-fuzz bash scripts/build.sh \
  -DVARDOLIN_FUZZ=ON -DBUILD_TESTING=OFF -DVARDOLIN_BENCH=OFF
shopt -s nullglob
targets=(build-fuzz/fuzz/fuzz_*)
if [ "${#targets[@]}" -eq 0 ]; then echo "no fuzz targets"; exit 0; fi
for t in "${targets[@]}"; do
  [ -f "$t" ] && [ -x "$t" ] || continue   # skip the build's helper folders
  name="$(basename "$t")"
  work="$(mktemp -d)"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  echo "-- $name (${SECONDS_EACH}s)"
  ASAN_OPTIONS=detect_leaks=0 "$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 "$work" 2>&1 | grep -E "stat::number_of_executed_units|ERROR|SUMMARY" || true
  # A crash leaves a crash-* file and a non-zero exit above; fail loudly.
  # (nullglob is on: an unmatched pattern is an empty list, not the pattern.)
  found=(crash-* leak-* timeout-* oom-*)
  if [ "${#found[@]}" -gt 0 ]; then echo "fuzzer $name found a failure: ${found[*]}"; exit 1; fi
  rm -rf "$work"
done
