#!/usr/bin/env bash
# Regenerates the tables of docs/reliability.md from the figures the last runs wrote:
#   build/reliability-figures.txt       fault and load tests (scripts/test.sh's final ctest run)
#   build-fuzz/reliability-figures.txt  fuzz runs (scripts/fuzz.sh)
#   build-asan/reliability-figures.txt  sanitizer runs (scripts/sanitizers.sh)
# Usage: scripts/reliability-report.sh [--output FILE]   (default: docs/reliability.md, updated in place)
# A table whose figures are missing keeps its current text. CI writes into its build tree instead of docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
output=docs/reliability.md
if [ "${1:-}" = "--output" ]; then output=$2; fi
build_dir=${QUORIX_BUILD_DIR:-build}
tests_figures=$build_dir/reliability-figures.txt
fuzz_figures=build-fuzz/reliability-figures.txt
sanitizer_figures=build-asan/reliability-figures.txt

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# figure FILE KEY: the last value recorded for KEY (several test processes may append to one file).
figure() { awk -v key="$2" '$1 == key { value = $2 } END { if (value != "") print value; else print "?" }' "$1"; }

if [ -s "$fuzz_figures" ]; then
  {
    echo "| Target | Inputs tried | Seconds | Seeds | Findings |"
    echo "|---|---:|---:|---:|---:|"
    for name in $(awk -F. '/^fuzz\./ { print $2 }' "$fuzz_figures" | sort -u); do
      echo "| \`$name\` | $(figure "$fuzz_figures" "fuzz.$name.runs") | $(figure "$fuzz_figures" "fuzz.$name.seconds") |" \
           "$(figure "$fuzz_figures" "fuzz.$name.seeds") | $(figure "$fuzz_figures" "fuzz.$name.findings") |"
    done
  } >"$work/fuzz"
fi

if [ -s "$tests_figures" ]; then
  f() { figure "$tests_figures" "$1"; }
  {
    echo "| Fault | Cases survived |"
    echo "|---|---:|"
    for fault in Truncated Malformed Oversized Missing Late; do
      echo "| $fault reply, on every read and capture | $(f "faults.reply_faults_survived.$fault") |"
    done
    echo "| Every command answered with \"err_msg\" (operations and a connection) | $(f faults.err_msg_operations_survived) |"
    echo "| Camera dies mid-capture and comes back on the same port | $(f faults.camera_restarts_survived) |"
    echo "| Garbage announcements skipped beside a real camera | $(f faults.garbage_announcements_skipped) |"
  } >"$work/faults"
  {
    echo "| Load | Held | Wrong or failed |"
    echo "|---|---:|---:|"
    echo "| Mixed commands from 4 threads on one device | $(f load.thread_commands) | $(f load.thread_commands_wrong) |"
    echo "| Coloured-cloud captures on $(f load.parallel_devices) devices in parallel | $(f load.parallel_captures) | $(f load.parallel_captures_wrong) |"
    echo "| Captures at one size (depth maps and coloured clouds) | $(f load.flat_memory_captures) | allocations in the capturing thread: $(f load.flat_memory_allocations); resident growth: $(f load.flat_memory_rss_growth_kib) KiB |"
  } >"$work/load"
fi

if [ -s "$sanitizer_figures" ]; then
  {
    echo "| Run | Tests | Reports |"
    echo "|---|---:|---:|"
    echo "| AddressSanitizer + UndefinedBehaviorSanitizer, whole suite | $(figure "$sanitizer_figures" sanitizers.asan_tests) | $(figure "$sanitizer_figures" sanitizers.asan_failures) |"
    echo "| ThreadSanitizer, threading tests | $(figure "$sanitizer_figures" sanitizers.tsan_tests) | $(figure "$sanitizer_figures" sanitizers.tsan_failures) |"
  } >"$work/sanitizers"
fi

# Replaces the lines between "<!-- begin:NAME -->" and "<!-- end:NAME -->" by $work/NAME when it exists.
awk -v dir="$work" '
  /^<!-- begin:[a-z]+ -->$/ {
    print
    name = $0; sub(/^<!-- begin:/, "", name); sub(/ -->$/, "", name)
    file = dir "/" name
    if ((getline line < file) > 0) {
      print line
      while ((getline line < file) > 0) print line
      skipping = 1
    }
    next
  }
  /^<!-- end:[a-z]+ -->$/ { skipping = 0 }
  !skipping { print }
' docs/reliability.md >"$work/out.md"
mkdir -p "$(dirname "$output")"
cp "$work/out.md" "$output"
echo "reliability report written to $output"
