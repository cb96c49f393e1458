#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: under the sanitizers, a bounded run of every fuzz target,
# the imaging kernels' exactness tests cross-compiled for aarch64 under qemu, then the normal build's tests (whose summary is the last thing printed), and the reliability report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bash scripts/sanitizers.sh
bash scripts/fuzz.sh
bash scripts/aarch64-kernels.sh
# The Debian packages from a release build, checked by lintian (the tests make their own from the build
# under test, unpack them and use them).
bash scripts/package.sh
build_dir=${QUORIX_BUILD_DIR:-build}
# The fault and load tests record their figures; the reliability report is generated into the build tree
# (scripts/reliability-report.sh without arguments updates docs/reliability.md).
rm -f "$build_dir/reliability-figures.txt"
status=0
QUORIX_RELIABILITY_FIGURES="$(cd "$build_dir" && pwd)/reliability-figures.txt" \
  ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 600 || status=$?
bash scripts/reliability-report.sh --output "$build_dir/reliability.md" >/dev/null
# Written silently so that the test summary stays the last thing printed.
exit $status
