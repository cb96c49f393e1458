#!/usr/bin/env bash
# Sets everything up and runs the main job against the built-in virtual camera.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build_dir=${QUORIX_BUILD_DIR:-build}
if [ -x "$build_dir/tools/quorix/quorix" ]; then
  exec "$build_dir/tools/quorix/quorix" demo --output demo-output
fi
exec "$build_dir/examples/quorix_banner"
