#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: once under the sanitizers, then in the normal build
# (whose summary is the last thing printed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bash scripts/sanitizers.sh
build_dir=${QUORIX_BUILD_DIR:-build}
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 600
