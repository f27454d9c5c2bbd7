#!/usr/bin/env bash
# Installs what is needed, builds, and starts Vardolin.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh -DBUILD_TESTING=OFF -DVARDOLIN_BENCH=OFF
exec build/bin/vardolin
