#include "imaging/cloud_kernels.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "imaging/exact_formulas.h"
#include "imaging/vector_kernels.h"

namespace norvik {
namespace imaging {

namespace {

std::atomic<VectorLevel> levelLimit{VectorLevel::Avx512};

// The widest loops that the limit allows and the processor and parameters can take; null for the portable
// loops.
const VectorLoops* vectorLoops(const KernelParams& p) {
#ifdef QUORIX_VECTOR_KERNELS
    const VectorLevel limit = levelLimit.load(std::memory_order_relaxed);
    if (limit >= VectorLevel::Avx512 && kAvx512Loops.usable(p)) return &kAvx512Loops;
    if (limit >= VectorLevel::Avx2 && kAvx2Loops.usable(p)) return &kAvx2Loops;
#endif
    static_cast<void>(p);
    return nullptr;
}

}  // namespace

void limitVectorLevel(VectorLevel level) { levelLimit.store(level, std::memory_order_relaxed); }

VectorLevel vectorLevel(const KernelParams& params) {
    const VectorLoops* loops = vectorLoops(params);
#ifdef QUORIX_VECTOR_KERNELS
    if (loops == &kAvx512Loops) return VectorLevel::Avx512;
    if (loops == &kAvx2Loops) return VectorLevel::Avx2;
#endif
    static_cast<void>(loops);
    return VectorLevel::Portable;
}

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

void depthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
    if (const VectorLoops* loops = vectorLoops(p)) return loops->depthRange(raw, out, begin, end, p);
    for (std::size_t i = begin; i < end; ++i) out[i].d = exact::depth(raw, i, p.scale);
}

void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
    if (const VectorLoops* loops = vectorLoops(p)) return loops->pointRange(raw, out, begin, end, p);
    exact::walk(begin, end, static_cast<std::size_t>(p.cols),
                [&](std::size_t i, std::size_t row, std::size_t col) {
                    float x, y, z;
                    exact::point(raw, i, row, col, p, x, y, z);
                    out[i] = {x, y, z};
                });
}

void colorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& p) {
    if (const VectorLoops* loops = vectorLoops(p))
        return loops->colorPointRange(raw, color, out, begin, end, p);
    exact::walk(begin, end, static_cast<std::size_t>(p.cols),
                [&](std::size_t i, std::size_t row, std::size_t col) {
                    exact::colorPoint(raw, color, out, i, row, col, p);
                });
}

}  // namespace imaging
}  // namespace norvik
