#!/usr/bin/env bash
# Runs the test suite again under AddressSanitizer + UndefinedBehaviorSanitizer, and the threading tests
# (test names containing Thread, Concurren, Parallel or Race) under ThreadSanitizer. Any report fails. The
# test counts go to build-asan/reliability-figures.txt for scripts/reliability-report.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
# Instrumentation makes GCC warn falsely about std::regex internals; the normal build checks that warning.
common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIX_WERROR=ON -DCMAKE_CXX_FLAGS=-Wno-maybe-uninitialized -DQUORIX_BUILD_BENCHMARKS=OFF
        -DQUORIX_BUILD_EXAMPLES=OFF)
# The installed-package test links a plain program against the library, which a sanitized build cannot be.
exclude='install_package_consumers'

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan "${common[@]}" -DQUORIX_SANITIZE=address,undefined >/dev/null
cmake --build build-asan --parallel "$jobs"
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --timeout 900 -E "$exclude"
# Counted the way ctest selects them; a report would have stopped the script above.
count() { ctest --test-dir "$1" -N "${@:2}" | awk '/Total Tests:/ { print $3 }'; }
figures=build-asan/reliability-figures.txt
{
  echo "sanitizers.asan_tests $(count build-asan -E "$exclude")"
  echo "sanitizers.asan_failures 0"
} >"$figures"

echo "== ThreadSanitizer (threading tests)"
cmake -S . -B build-tsan "${common[@]}" -DQUORIX_SANITIZE=thread >/dev/null
cmake --build build-tsan --parallel "$jobs"
# GCC's OpenMP runtime is not built with ThreadSanitizer, so its barriers are invisible to it and every
# parallel loop would be reported; the parallel regions run on one thread here. Their data independence is
# covered by the exact-result tests of the normal and address-sanitized runs.
# libzmq's own message hand-offs are suppressed in every program (see scripts/tsan.supp).
OMP_NUM_THREADS=1 TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure --parallel "$jobs" --timeout 900 \
    -R 'Thread|Concurren|Parallel|Race' -E "$exclude"
echo "sanitizers.tsan_tests $(count build-tsan -R 'Thread|Concurren|Parallel|Race' -E "$exclude")" >>"$figures"
echo "sanitizers.tsan_failures 0" >>"$figures"
