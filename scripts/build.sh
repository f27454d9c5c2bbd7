#!/usr/bin/env bash
# Configures and builds into build/ (extra cmake arguments are passed on).
#   BUILD_DIR (default build)  BUILD_TYPE (default RelWithDebInfo)
#   BUILD_TARGETS (default: everything) the targets to build, separated by spaces
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
# Lets ccache share results between checkouts in different folders: paths are
# made relative to the checkout, and the working folder (which -g would record)
# is left out of the hash.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
read -r -a targets <<<"${BUILD_TARGETS:-all}"
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]}"
