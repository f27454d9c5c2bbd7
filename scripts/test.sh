#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build (its
# warnings are errors), the core suites on the plain path without vector
# instructions, the same tests under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threaded suites under ThreadSanitizer, the desktop files and the install,
# and each fuzz target for a bounded time over its committed corpus. Ends with
# one summary line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS="$(nproc)"
LOG="$(mktemp -d)"
passed=0
failed=0
skipped=0
status=0
stages=()
stage_start=$SECONDS
# Starts a stage, closing the one before; the times are printed at the end.
stage() {
  end_stage
  stage_name="$1"
  stage_start=$SECONDS
  echo "== $1"
}
end_stage() {
  if [ -n "${stage_name:-}" ]; then stages+=("$(printf '%5ds  %s' $((SECONDS - stage_start)) "$stage_name")"); fi
  stage_name=""
}

# Runs one build's tests. ctest's exit status decides; the JUnit report gives
# the counts, and a test function skipped inside a suite (QSKIP) is reported
# as skipped by name instead of passing silently.
run_ctest() {   # build-dir label [NAME=value...] [ctest argument...]
  local dir="$1" label="$2" rc=0 envs=() args=()
  shift 2
  for a in "$@"; do
    if [[ "$a" == [A-Z]*=* ]]; then envs+=("$a"); else args+=("$a"); fi
  done
  env "${envs[@]}" ctest --test-dir "$dir" --output-on-failure -j"$JOBS" --output-junit "$LOG/$label.xml" \
    "${args[@]}" 2>&1 | tee "$LOG/$label.log" || rc=$?
  if [ "$rc" -ne 0 ]; then status=1; fi
  local total fails skips
  attr() { grep -m1 -oE "^[[:space:]]*$1=\"[0-9]+\"" "$LOG/$label.xml" | grep -oE '[0-9]+' || true; }
  total="$(attr tests)"
  fails="$(attr failures)"
  skips="$(attr skipped)"
  if [ -z "$total" ]; then   # no report at all: count the run as one failure
    failed=$((failed + 1)); status=1; return
  fi
  if [ "$rc" -ne 0 ] && [ "${fails:-0}" -eq 0 ]; then fails=1; fi
  passed=$((passed + total - ${fails:-0} - ${skips:-0}))
  failed=$((failed + ${fails:-0}))
  skipped=$((skipped + ${skips:-0}))
  local inner
  inner="$(grep -oE 'SKIP +: [^&<]*' "$LOG/$label.xml" | sed -E 's/ +/ /g' | sort -u || true)"
  if [ -n "$inner" ]; then
    echo "== $label: test functions skipped"
    echo "$inner"
    skipped=$((skipped + $(wc -l <<<"$inner")))
  fi
}

stage "build and test"
# Benchmarks are built on demand (`bash scripts/build.sh -DVARDOLIN_BENCH=ON`), not here.
bash scripts/build.sh -DBUILD_TESTING=ON -DVARDOLIN_WERROR=ON -DVARDOLIN_BENCH=OFF
run_ctest build plain

stage "core on the plain path (no vector instructions)"
# Only core and its suites: what a processor without them would run.
BUILD_DIR=build-plain BUILD_TARGETS=vardolin_core_tests bash scripts/build.sh -DBUILD_TESTING=ON \
  -DVARDOLIN_BENCH=OFF -DVARDOLIN_SIMD=OFF -DVARDOLIN_WERROR=ON
run_ctest build-plain no-simd -R '^core_'

stage "sanitizers (ASan + UBSan)"
BUILD_DIR=build-asan BUILD_TYPE=Debug bash scripts/build.sh -DBUILD_TESTING=ON -DVARDOLIN_SANITIZE=ON -DVARDOLIN_BENCH=OFF
# The desktop scenarios drive the program from outside and run once, in the
# normal build.
run_ctest build-asan asan ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  -LE e2e

stage "threads (ThreadSanitizer)"
# Only the suites labelled "threads" and what they link.
BUILD_DIR=build-tsan BUILD_TARGETS=vardolin_threaded_tests bash scripts/build.sh -DBUILD_TESTING=ON \
  -DVARDOLIN_TSAN=ON -DVARDOLIN_BENCH=OFF
run_ctest build-tsan tsan TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan-qt.supp" \
  -L threads

stage "desktop files and install"
if bash scripts/check-desktop.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

stage "fuzz"
if FUZZ_SECONDS="${FUZZ_SECONDS:-30}" bash scripts/fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

end_stage
rm -rf "$LOG"
echo "== time of each stage"
printf '%s\n' "${stages[@]}"
echo "$passed passed, $failed failed, $skipped skipped"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
