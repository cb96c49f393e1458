#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time (FUZZ_SECONDS, default 40) on a
# scratch copy of its seed corpus in fuzz/corpus/<target>. A crash, leak or sanitizer report fails; its
# input is left in build-fuzz/crashes/ to be added to the corpus as a regression case. The figures of the run
# (inputs tried, seeds, findings per target) go to build-fuzz/reliability-figures.txt for
# scripts/reliability-report.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
seconds=${FUZZ_SECONDS:-40}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQUORIX_BUILD_FUZZERS=ON -DQUORIX_SANITIZE=address,undefined -DQUORIX_BUILD_TESTS=OFF \
  -DQUORIX_BUILD_BENCHMARKS=OFF -DQUORIX_BUILD_EXAMPLES=OFF -DQUORIX_BUILD_TOOLS=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target quorix_fuzzers
mkdir -p build-fuzz/crashes
figures=build-fuzz/reliability-figures.txt
: >"$figures"
status=0
for target in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  work=build-fuzz/corpus-work/$name
  rm -rf "$work" && mkdir -p "$work"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  echo "== fuzzing $name for ${seconds}s"
  seeds=$(find "$work" -type f | wc -l)
  findings=0
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="build-fuzz/crashes/$name-" \
        -print_final_stats=1 "$work" 2>build-fuzz/$name.log; then
    tail -n 40 build-fuzz/$name.log
    status=1
    findings=1
  fi
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' build-fuzz/$name.log | grep -oE '[0-9]+$' || echo 0)
  echo "   $runs inputs tried from $seeds seeds"
  {
    echo "fuzz.$name.runs $runs"
    echo "fuzz.$name.seconds $seconds"
    echo "fuzz.$name.seeds $seeds"
    echo "fuzz.$name.findings $findings"
  } >>"$figures"
done
exit $status
