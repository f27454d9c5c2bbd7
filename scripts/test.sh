#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build, the
# same tests under AddressSanitizer + UndefinedBehaviorSanitizer, and each fuzz
# target for a bounded time over its committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS="$(nproc)"

echo "== build and test"
bash scripts/build.sh -DBUILD_TESTING=ON
ctest --test-dir build --output-on-failure -j"$JOBS"

echo "== sanitizers (ASan + UBSan)"
BUILD_DIR=build-asan BUILD_TYPE=Debug bash scripts/build.sh -DBUILD_TESTING=ON -DVARDOLIN_SANITIZE=ON -DVARDOLIN_BENCH=OFF
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS"

echo "== fuzz"
FUZZ_SECONDS="${FUZZ_SECONDS:-30}" bash scripts/fuzz.sh
