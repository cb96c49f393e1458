#include "imaging/cloud_kernels.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "hwy/highway.h"
#include "imaging/exact_formulas.h"
#include "transport/protocol_names.h"

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

namespace {

// useSlowGathers's choice: -1 for the processor's answer, else 0 or 1.
std::atomic<int> chosenSlowGathers{-1};

bool processorGathersSlow() {
#if defined(__x86_64__) || defined(__i386__)
    // Measured on a Zen 5 core (bench/README.md); Intel's cores gather faster than they take the products.
    __builtin_cpu_init();
    return __builtin_cpu_is("amd");
#else
    return false;
#endif
}

}  // namespace

bool slowGathers() {
    const int chosen = chosenSlowGathers.load(std::memory_order_relaxed);
    if (chosen >= 0) return chosen != 0;
    static const bool slow = processorGathersSlow();
    return slow;
}

void useSlowGathers(std::optional<bool> slow) {
    chosenSlowGathers.store(slow ? static_cast<int>(*slow) : -1, std::memory_order_relaxed);
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

// Narrows [least, greatest] to the depths whose quotients (index - centre) * depth / focal stay well inside
// the normal floats (factors of two cover the roundings of the numerators and of these bounds).
void narrowDepths(double focal, double centre, std::int32_t count, double& least, double& greatest) {
    double leastOffset, greatestOffset;
    offsetSpan(centre, count, leastOffset, greatestOffset);
    least = std::max(least, 0x1p-119 * std::fabs(focal) / leastOffset);
    greatest = std::min(greatest, 0x1p119 * std::fabs(focal) / greatestOffset);
    // The loops' factors (index - centre) / focal must be finite as well; NaNs in the calibration fail here.
    if (!std::isfinite(greatestOffset / focal)) greatest = -1;
}

}  // namespace

PointDivisors pointDivisors(const double (&depthIntrinsic)[4], std::int32_t cols, std::int32_t rows) {
    PointDivisors d;
    double least = 0, greatest = std::numeric_limits<float>::max();
    narrowDepths(depthIntrinsic[0], depthIntrinsic[2], cols, least, greatest);
    narrowDepths(depthIntrinsic[1], depthIntrinsic[3], rows, least, greatest);
    if (least <= greatest) {
        d.leastDepth = std::nextafter(static_cast<float>(least), HUGE_VALF);
        d.greatestDepth = std::nextafter(static_cast<float>(greatest), 0.0f);
    }
    return d;
}

const double* columnFactors(double cx, double fx, std::size_t cols) {
    thread_local std::unique_ptr<double[]> factors;
    thread_local std::size_t capacity = 0, filled = 0;
    thread_local double filledCx = 0, filledFx = 0;
    if (filled == cols && std::memcmp(&filledCx, &cx, sizeof cx) == 0 &&
        std::memcmp(&filledFx, &fx, sizeof fx) == 0)
        return factors.get();
    if (capacity < cols) {
        factors.reset(new (std::nothrow) double[cols]);
        capacity = factors ? cols : 0;
        filled = 0;
        if (!factors) return nullptr;
    }
    for (std::size_t col = 0; col < cols; ++col) factors[col] = (static_cast<double>(col) - cx) / fx;
    filled = cols;
    filledCx = cx;
    filledFx = fx;
    return factors.get();
}

namespace {

KernelParams pointParams(const double (&depthIntrinsic)[4], std::int32_t cols, std::int32_t rows) {
    KernelParams p;
    p.fx = depthIntrinsic[0];
    p.fy = depthIntrinsic[1];
    p.cx = depthIntrinsic[2];
    p.cy = depthIntrinsic[3];
    p.cols = cols;
    p.divisors = pointDivisors(depthIntrinsic, cols, rows);
    return p;
}

}  // namespace

KernelParams makeKernelParams(double scale, const double (&depthIntrinsic)[4], std::int32_t cols,
                              std::int32_t rows) {
    KernelParams p = pointParams(depthIntrinsic, cols, rows);
    p.scale = scale;
    p.depthOf = depthTable(scale);
    // The table holds every depth a capture can have: the nearest to zero is a sample one off the offset
    // (or zero itself), the farthest the sample 32768 below it.
    const float nearest = std::fabs(p.depthOf[protocol::kDepthOffset + 1]);
    const float farthest = std::fabs(p.depthOf[0]);
    const PointDivisors& d = p.divisors;
    p.divisors.checkDepths = !((nearest == 0 || nearest >= d.leastDepth) && farthest <= d.greatestDepth);
    // The samples' depths by products with the reciprocal while every nonzero one stays well inside the
    // normal floats (the same test then decides, as for the points).
    const double reciprocal = 1.0 / scale;
    const double smallest = std::fabs(reciprocal), largest = protocol::kDepthOffset * smallest;
    if (smallest >= 0x1p-100 && largest <= 0x1p100) p.depthReciprocal = reciprocal;
    const auto divisor = static_cast<float>(scale);
    if (static_cast<double>(divisor) == scale && std::fabs(scale) >= 0x1p-100 && std::fabs(scale) <= 0x1p100)
        p.depthDivisor = divisor;
    p.slowGathers = slowGathers();
    return p;
}

KernelParams makeHeldParams(const api::ElementDepth* depths, const double (&depthIntrinsic)[4],
                            std::int32_t cols, std::int32_t rows) {
    KernelParams p = pointParams(depthIntrinsic, cols, rows);
    p.heldDepths = depths;
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
