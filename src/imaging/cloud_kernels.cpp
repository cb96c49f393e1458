#include "imaging/cloud_kernels.h"

#include <cstring>
#include <memory>

#include "imaging/cloud_kernels_avx2.h"
#include "imaging/exact_formulas.h"

namespace norvik {
namespace imaging {

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
#ifdef QUORIX_AVX2_KERNELS
    if (avx2::usable(p)) return avx2::depthRange(raw, out, begin, end, p);
#endif
    for (std::size_t i = begin; i < end; ++i) out[i].d = exact::depth(raw, i, p.scale);
}

void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
#ifdef QUORIX_AVX2_KERNELS
    if (avx2::usable(p)) return avx2::pointRange(raw, out, begin, end, p);
#endif
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
#ifdef QUORIX_AVX2_KERNELS
    if (avx2::usable(p)) return avx2::colorPointRange(raw, color, out, begin, end, p);
#endif
    exact::walk(begin, end, static_cast<std::size_t>(p.cols),
                [&](std::size_t i, std::size_t row, std::size_t col) {
                    exact::colorPoint(raw, color, out, i, row, col, p);
                });
}

}  // namespace imaging
}  // namespace norvik
