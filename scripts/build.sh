#!/usr/bin/env bash
# Installs what the build needs, then configures and builds into build/ (or $QUORIX_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=${QUORIX_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${QUORIX_BUILD_TYPE:-RelWithDebInfo} -DQUORIX_WERROR=ON "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
