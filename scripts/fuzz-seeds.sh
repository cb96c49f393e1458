#!/usr/bin/env bash
# Rewrites the fuzzers' seed corpora in fuzz/corpus/ from real replies of the virtual camera. Run it after
# a protocol change and commit the seeds; regression inputs added by hand are kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QUORIX_BUILD_DIR:-build}
cmake --build "$build_dir" --target quorix_fuzz_seeds
"$build_dir/fuzz/seeds/quorix_fuzz_seeds" fuzz/corpus
