#include "imaging/cloud_kernels.h"

#include <cstring>
#include <memory>

#include "hwy/highway.h"
#include "imaging/exact_formulas.h"

namespace norvik {
namespace imaging {

// Built for one instruction set, the loops are called directly and there is nothing to choose.
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0

std::vector<std::int64_t> kernelTargets() { return {HWY_STATIC_TARGET}; }

void useKernelTarget(std::int64_t) {}

std::string kernelTargetName() { return hwy::TargetName(HWY_STATIC_TARGET); }

#else

std::vector<std::int64_t> kernelTargets() {
    std::vector<std::int64_t> targets;
    for (std::int64_t left = hwy::SupportedTargets() & HWY_TARGETS; left != 0; left &= left - 1)
        targets.push_back(left & -left);
    return targets;
}

// Highway's own selection: its dispatch tables choose again at their next call.
void useKernelTarget(std::int64_t target) { hwy::SetSupportedTargetsForTest(target); }

std::string kernelTargetName() {
    const std::int64_t targets = hwy::SupportedTargets() & HWY_TARGETS;
    return hwy::TargetName(targets & -targets);
}

#endif

KernelParams makeKernelParams(double scale, const double (&depthIntrinsic)[4], std::int32_t cols) {
    KernelParams p;
    p.scale = scale;
    p.fx = depthIntrinsic[0];
    p.fy = depthIntrinsic[1];
    p.cx = depthIntrinsic[2];
    p.cy = depthIntrinsic[3];
    p.cols = cols;
    p.depthOf = depthTable(scale);
    return p;
}

const float* depthTable(double scale) {
    // Kept per calling thread: the scale is a property of the camera, so it is built once per thread and
    // camera, and the loops that read it never share it with a rebuild.
    thread_local std::unique_ptr<float[]> table;
    thread_local std::uint64_t tableScale = 0;
    std::uint64_t bits;
    std::memcpy(&bits, &scale, sizeof bits);
    if (!table || bits != tableScale) {
        if (!table) table.reset(new float[kDepthSamples]);
        for (std::size_t raw = 0; raw < kDepthSamples; ++raw) {
            const unsigned char sample[2] = {static_cast<unsigned char>(raw & 0xFF),
                                             static_cast<unsigned char>(raw >> 8)};
            table[raw] = exact::depth(sample, 0, scale);
        }
        tableScale = bits;
    }
    return table.get();
}

}  // namespace imaging
}  // namespace norvik
