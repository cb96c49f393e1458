#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (FUZZ_SECONDS, default 60) on a
# scratch copy of its seed corpus in fuzz/corpus/<target>. A crash, leak or sanitizer report fails; its
# input is left in build-fuzz/crashes/ to be added to the corpus as a regression case.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${FUZZ_SECONDS:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQUORIX_BUILD_FUZZERS=ON -DQUORIX_SANITIZE=address,undefined -DQUORIX_BUILD_TESTS=OFF \
  -DQUORIX_BUILD_BENCHMARKS=OFF -DQUORIX_BUILD_EXAMPLES=OFF -DQUORIX_BUILD_TOOLS=OFF >/dev/null
cmake --build build-fuzz --parallel "$(nproc)"
mkdir -p build-fuzz/crashes
status=0
for target in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  work=build-fuzz/corpus-work/$name
  rm -rf "$work" && mkdir -p "$work"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  echo "== fuzzing $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="build-fuzz/crashes/$name-" \
        -print_final_stats=1 "$work" 2>build-fuzz/$name.log; then
    tail -n 40 build-fuzz/$name.log
    status=1
  fi
  grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' build-fuzz/$name.log | tail -n 2 || true
done
exit $status
