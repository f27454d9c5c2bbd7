#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build, the
# same tests under AddressSanitizer + UndefinedBehaviorSanitizer, the desktop
# files and the install, and each fuzz target for a bounded time over its
# committed corpus. Ends with one summary line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS="$(nproc)"
LOG="$(mktemp -d)"
passed=0
failed=0

count_ctest() {   # adds the counts of a ctest log
  local line total fails
  line="$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)"
  total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
  fails="$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")"
  passed=$((passed + total - fails))
  failed=$((failed + fails))
}

echo "== build and test"
bash scripts/build.sh -DBUILD_TESTING=ON
ctest --test-dir build --output-on-failure -j"$JOBS" 2>&1 | tee "$LOG/plain.log" || true
count_ctest "$LOG/plain.log"

echo "== sanitizers (ASan + UBSan)"
BUILD_DIR=build-asan BUILD_TYPE=Debug bash scripts/build.sh -DBUILD_TESTING=ON -DVARDOLIN_SANITIZE=ON -DVARDOLIN_BENCH=OFF
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS" 2>&1 | tee "$LOG/asan.log" || true
count_ctest "$LOG/asan.log"

echo "== desktop files and install"
if bash scripts/check-desktop.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== fuzz"
if FUZZ_SECONDS="${FUZZ_SECONDS:-30}" bash scripts/fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

rm -rf "$LOG"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
