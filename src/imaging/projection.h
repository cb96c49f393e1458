#pragma once

// Looking up the 2D image where a point projects, and recognising a pose that changes nothing.

#include <cfloat>
#include <cmath>
#include <cstddef>

#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace norvik {
namespace imaging {

// Magnitudes up to this count as zero.
inline constexpr double kZeroTolerance = DBL_EPSILON;

// Bilinear interpolation of the colour image at (u, v), in floats; black outside the image and on its last
// row or column (and for images narrower or shorter than 2 pixels, or a NaN coordinate).
inline api::ElementColor sampleBilinear(const api::Frame<api::ElementColor>& color, float u, float v) {
    const api::ElementColor black{0, 0, 0};
    if (!(u >= 0.0f) || !(v >= 0.0f) || color.empty()) return black;
    const float fu = std::floor(u);
    const float fv = std::floor(v);
    // Compared in double: exact for every width, and no unsigned underflow for tiny images.
    if (static_cast<double>(fu) > static_cast<double>(color.width()) - 2.0) return black;
    if (static_cast<double>(fv) > static_cast<double>(color.height()) - 2.0) return black;
    const auto x0 = static_cast<std::size_t>(fu);
    const auto y0 = static_cast<std::size_t>(fv);
    const std::size_t width = color.width();
    const api::ElementColor* row0 = color.data() + y0 * width + x0;
    const api::ElementColor* row1 = row0 + width;
    const float a = u - fu;
    const float b = v - fv;
    const float na = 1.0f - a;
    const float nb = 1.0f - b;
    auto mix = [&](unsigned p00, unsigned p01, unsigned p10, unsigned p11) {
        const float s = static_cast<float>(p01) * a * nb + static_cast<float>(p00) * na * nb +
                        static_cast<float>(p10) * na * b + static_cast<float>(p11) * a * b;
        return static_cast<unsigned char>(static_cast<int>(s));
    };
    return {mix(row0[0].b, row0[1].b, row1[0].b, row1[1].b), mix(row0[0].g, row0[1].g, row1[0].g, row1[1].g),
            mix(row0[0].r, row0[1].r, row1[0].r, row1[1].r)};
}

// True when R is the identity and t is zero, each entry within the tolerance; NaN makes it false.
bool isIdentityTransform(const double (&rotation)[3][3], const double (&translation)[3]);
// True when the 2D camera is the depth camera itself: identity pose, and intrinsics and distortion equal
// within the tolerance. Only then does a pixel of one image show what the same pixel of the other shows
// (when the images also have one size).
bool sameCamera(const api::DeviceIntri& intri);

}  // namespace imaging
}  // namespace norvik
