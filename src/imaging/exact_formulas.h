#pragma once

// The per-pixel formulas of the depth map and the clouds, exactly as defined: doubles throughout, rounded to
// float where the result is stored. The portable loops use them directly; the vector loops use them for the
// pixels they leave over at the ends of rows and ranges.

#include <cmath>
#include <cstddef>

#include "imaging/cloud_kernels.h"
#include "imaging/point_element.h"
#include "imaging/projection.h"
#include "imaging/texture_mask.h"
#include "imaging/texture_mask_kernels.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace imaging {
namespace exact {

// The 16-bit sample of pixel i, little-endian on the wire.
inline int sample(const unsigned char* raw, std::size_t i) { return raw[2 * i] | (raw[2 * i + 1] << 8); }

inline float depth(const unsigned char* raw, std::size_t i, double scale) {
    const auto offset = static_cast<float>(sample(raw, i) - protocol::kDepthOffset);
    return static_cast<float>(static_cast<double>(offset) / scale);
}

inline float coordinate(std::size_t index, double centre, float z, double focal) {
    return static_cast<float>((static_cast<double>(index) - centre) * static_cast<double>(z) / focal);
}

inline void point(const unsigned char* raw, std::size_t i, std::size_t row, std::size_t col,
                  const KernelParams& p, float& x, float& y, float& z) {
    z = p.heldDepths != nullptr ? p.heldDepths[i].d : p.depthOf[sample(raw, i)];
    x = coordinate(col, p.cx, z, p.fx);
    y = coordinate(row, p.cy, z, p.fy);
}

inline api::ElementColor projectedColor(const api::Frame<api::ElementColor>& color, float x, float y, float z,
                                        const KernelParams& p) {
    const double xd = x, yd = y, zd = z;
    const auto& r = p.rotation;
    const auto& t = p.translation;
    const double zc = r[2][0] * xd + r[2][1] * yd + r[2][2] * zd + t[2];
    if (std::fabs(zc) <= kZeroTolerance) return {0, 0, 0};
    const double xc = r[0][0] * xd + r[0][1] * yd + r[0][2] * zd + t[0];
    const double yc = r[1][0] * xd + r[1][1] * yd + r[1][2] * zd + t[1];
    const auto u = static_cast<float>(xc * p.fx2 / zc + p.cx2);
    const auto v = static_cast<float>(yc * p.fy2 / zc + p.cy2);
    return sampleBilinear(color, u, v);
}

inline void colorPoint(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                       api::ElementPointXYZBGR* out, std::size_t i, std::size_t row, std::size_t col,
                       const KernelParams& p) {
    float x, y, z;
    point(raw, i, row, col, p, x, y, z);
    const api::ElementColor c = p.sameView ? color.data()[i] : projectedColor(color, x, y, z, p);
    storeColorPoint(out[i], c, x, y, z);
}

// Walks pixels [begin, end) of a map with `cols` columns, calling perPixel(i, row, col).
template <typename PerPixel>
void walk(std::size_t begin, std::size_t end, std::size_t cols, const PerPixel& perPixel) {
    std::size_t row = begin / cols, col = begin % cols;
    for (std::size_t i = begin; i < end; ++i) {
        perPixel(i, row, col);
        if (++col == cols) {
            col = 0;
            ++row;
        }
    }
}

// The loops of cloud_kernels.h one pixel at a time: what the vector loops are checked against, and what
// processors without vector instructions run.
inline void depthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                       const KernelParams& p) {
    for (std::size_t i = begin; i < end; ++i) out[i].d = depth(raw, i, p.scale);
}

inline void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin,
                       std::size_t end, const KernelParams& p) {
    walk(begin, end, static_cast<std::size_t>(p.cols), [&](std::size_t i, std::size_t row, std::size_t col) {
        float x, y, z;
        point(raw, i, row, col, p, x, y, z);
        out[i] = {x, y, z};
    });
}

inline void colorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                            api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                            const KernelParams& p) {
    walk(begin, end, static_cast<std::size_t>(p.cols), [&](std::size_t i, std::size_t row, std::size_t col) {
        colorPoint(raw, color, out, i, row, col, p);
    });
}

// A mask pixel or sample is set when its gray level is above zero.
inline bool maskSet(const api::ElementColor& pixel) {
    return static_cast<double>(maskGray(pixel)) > kZeroTolerance;
}

inline void storeMaskPoint(api::ElementPointXYZ& out, float x, float y, float z, const api::ElementColor&) {
    out = {x, y, z};
}

inline void storeMaskPoint(api::ElementPointXYZBGR& out, float x, float y, float z,
                           const api::ElementColor& c) {
    storeColorPoint(out, c, x, y, z);
}

// Point i (at row, col) of the texture-mask cloud: kept when the mask is set where the point lands.
template <typename Point>
void maskPoint(const api::ElementDepth* depths, const api::Frame<api::ElementColor>& mask, Point* out,
               std::size_t i, std::size_t row, std::size_t col, const MaskParams& p) {
    // A skipped point is zero, so that a reused frame never keeps points of an earlier call.
    storeMaskPoint(out[i], 0.0f, 0.0f, 0.0f, api::ElementColor{0, 0, 0});
    const float d = depths[i].d;
    if (std::fabs(d) <= kZeroTolerance) return;
    const auto x = static_cast<float>((static_cast<double>(col) - p.cx) * static_cast<double>(d) / p.fx);
    const auto y = static_cast<float>((static_cast<double>(row) - p.cy) * static_cast<double>(d) / p.fy);
    if (p.samePixel) {
        const api::ElementColor& pixel = mask.data()[i];
        if (maskSet(pixel)) return storeMaskPoint(out[i], x, y, d, pixel);
    }
    const double xd = x, yd = y, zd = d;
    const auto& r = p.rotation;
    const auto& t = p.translation;
    const auto xc = static_cast<float>(r[0][0] * xd + r[0][1] * yd + r[0][2] * zd + t[0]);
    const auto yc = static_cast<float>(r[1][0] * xd + r[1][1] * yd + r[1][2] * zd + t[1]);
    const auto zc = static_cast<float>(r[2][0] * xd + r[2][1] * yd + r[2][2] * zd + t[2]);
    if (std::fabs(zc) <= kZeroTolerance) return;
    const auto u = static_cast<float>(static_cast<double>(xc) * p.fx2 / static_cast<double>(zc) + p.cx2);
    const auto v = static_cast<float>(static_cast<double>(yc) * p.fy2 / static_cast<double>(zc) + p.cy2);
    const api::ElementColor sample = sampleBilinear(mask, u, v);
    if (maskSet(sample)) storeMaskPoint(out[i], x, y, d, sample);
}

template <typename Point>
void maskRange(const api::ElementDepth* depths, const api::Frame<api::ElementColor>& mask, Point* out,
               std::size_t begin, std::size_t end, const MaskParams& p) {
    walk(begin, end, p.cols, [&](std::size_t i, std::size_t row, std::size_t col) {
        maskPoint(depths, mask, out, i, row, col, p);
    });
}

}  // namespace exact
}  // namespace imaging
}  // namespace norvik
