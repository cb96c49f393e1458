#include "imaging/cloud_kernels.h"

#include <algorithm>
#include <cmath>
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

Divisor divisorFor(double divisor, double least, double greatest) {
    Divisor d;
    d.reciprocal = 1.0 / divisor;
    const double magnitude = std::fabs(divisor);
    // Factors of two cover the roundings of the numerators and of these bounds; NaNs fail the test.
    d.byReciprocal = std::isfinite(d.reciprocal) && magnitude <= HUGE_VAL && least > 0 &&
                     least / magnitude * 0.5 >= 0x1p-120 && greatest / magnitude * 2 <= 0x1p120;
    return d;
}

namespace {

// The smallest nonzero and the largest |index - centre| over the indices [0, count).
void offsetSpan(double centre, std::int32_t count, double& least, double& greatest) {
    const double last = count - 1.0;
    const double nearest = std::floor(centre);
    least = HUGE_VAL;
    for (double index : {nearest - 1, nearest, nearest + 1, 0.0, last}) {
        const double offset = std::fabs(index - centre);
        if (index >= 0 && index <= last && offset > 0) least = std::min(least, offset);
    }
    greatest = std::max(std::fabs(centre), std::fabs(last - centre));
}

}  // namespace

void setPointDivisors(double fx, double fy, double cx, double cy, std::int32_t cols, std::int32_t rows,
                      const DepthSpan& span, Divisor& byFx, Divisor& byFy) {
    double least, greatest;
    offsetSpan(cx, cols, least, greatest);
    byFx = divisorFor(fx, least * span.least, greatest * span.greatest);
    offsetSpan(cy, rows, least, greatest);
    byFy = divisorFor(fy, least * span.least, greatest * span.greatest);
}

namespace {

KernelParams pointParams(const double (&depthIntrinsic)[4], std::int32_t cols, std::int32_t rows,
                         const DepthSpan& span) {
    KernelParams p;
    p.fx = depthIntrinsic[0];
    p.fy = depthIntrinsic[1];
    p.cx = depthIntrinsic[2];
    p.cy = depthIntrinsic[3];
    p.cols = cols;
    setPointDivisors(p.fx, p.fy, p.cx, p.cy, cols, rows, span, p.byFx, p.byFy);
    return p;
}

}  // namespace

KernelParams makeKernelParams(double scale, const double (&depthIntrinsic)[4], std::int32_t cols,
                              std::int32_t rows) {
    // Samples are 32768 plus or minus at most 32768.
    DepthSpan span;
    span.least = 1.0 / std::fabs(scale);
    span.greatest = 32768.0 / std::fabs(scale);
    KernelParams p = pointParams(depthIntrinsic, cols, rows, span);
    p.scale = scale;
    p.depthOf = depthTable(scale);
    return p;
}

KernelParams makeHeldParams(const api::ElementDepth* depths, const double (&depthIntrinsic)[4],
                            std::int32_t cols, std::int32_t rows, const DepthSpan& span) {
    KernelParams p = pointParams(depthIntrinsic, cols, rows, span);
    p.heldDepths = depths;
    return p;
}

DepthSpan joinSpans(const DepthSpan& a, const DepthSpan& b) {
    DepthSpan s;
    s.least = std::min(a.least, b.least);
    s.greatest = std::isnan(a.greatest) || std::isnan(b.greatest) ? NAN : std::max(a.greatest, b.greatest);
    return s;
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
