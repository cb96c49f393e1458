#!/usr/bin/env bash
# Cross-compiles the imaging kernels and their exactness tests for aarch64 (NEON) and runs them under qemu:
# every value must equal the formulas to the bit there too. Only the kernels are built: the rest of the
# library's dependencies are not installed for arm64. Objects go to $QUORIX_BUILD_DIR/aarch64-kernels
# (build/ by default) and are rebuilt when their source or a header is newer.
set -euo pipefail
cd "$(dirname "$0")/.."
cxx=${QUORIX_AARCH64_CXX:-aarch64-linux-gnu-g++}
out="${QUORIX_BUILD_DIR:-build}/aarch64-kernels"
mkdir -p "$out/include"
# Highway is used as headers only (static dispatch); they are the host's, which are the same for every
# processor. Linked in by themselves, so that no other host header is seen.
ln -sfn /usr/include/hwy "$out/include/hwy"

gtest=/usr/src/googletest/googletest
flags=(-std=c++17 -O2 -ffp-contract=off -fopenmp -pthread -Wall -Wextra -Wpedantic -Werror
       -DHWY_COMPILE_ONLY_STATIC=1 "-DHWY_DISABLED_TARGETS=(HWY_SSSE3|HWY_SVE|HWY_SVE2|HWY_SVE_256|HWY_SVE2_128)"
       -Iinclude -Isrc -I"$out/include" -I"$gtest/include" -I"$gtest")
sources=(src/imaging/cloud_kernels.cpp src/imaging/cloud_kernels_hwy.cpp src/imaging/texture_mask_kernels.cpp
         src/imaging/texture_mask.cpp src/imaging/decode.cpp src/imaging/point_cloud.cpp
         src/imaging/projection.cpp tests/imaging/kernel_exactness_test.cpp)
gtest_sources=("$gtest/src/gtest-all.cc" "$gtest/src/gtest_main.cc")

newest_header=$(find include src/imaging src/transport tests/imaging -name '*.h' -printf '%T@\n' | sort -n | tail -1)
objects=()
pids=()
compile() {  # source, extra flags...
    local source=$1 object="$out/$(basename "$1").o"
    shift
    objects+=("$object")
    if [ -f "$object" ] && [ "$(stat -c %Y "$object")" -ge "$(stat -c %Y "$source")" ] &&
        [ "$(stat -c %Y "$object")" -ge "${newest_header%.*}" ]; then
        return
    fi
    "$cxx" "${flags[@]}" "$@" -c "$source" -o "$object" &
    pids+=($!)
    # No more compilers at once than there are cores.
    if [ ${#pids[@]} -ge "$(nproc)" ]; then
        wait "${pids[0]}"
        pids=("${pids[@]:1}")
    fi
}
for s in "${sources[@]}"; do compile "$s"; done
for s in "${gtest_sources[@]}"; do compile "$s" -Wno-pedantic; done
for pid in "${pids[@]}"; do wait "$pid"; done

"$cxx" -static -fopenmp -pthread "${objects[@]}" -o "$out/kernel_exactness_test"
qemu-aarch64-static "$out/kernel_exactness_test" --gtest_brief=1
