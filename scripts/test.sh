#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: under the sanitizers, a bounded run of every fuzz target,
# then the normal build's tests (whose summary is the last thing printed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bash scripts/sanitizers.sh
bash scripts/fuzz.sh
build_dir=${QUORIX_BUILD_DIR:-build}
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 600
