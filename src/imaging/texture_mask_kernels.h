#pragma once

// The per-pixel loops of the texture-mask clouds (texture_mask.h): each point and colour equals the formulas
// in exact_formulas.h to the bit, on every instruction set.

#include <cstddef>

#include "imaging/cloud_kernels.h"
#include "quorix/Frame.h"

namespace norvik {
namespace imaging {

// What the loops need besides their arrays.
struct MaskParams {
    double fx = 0, fy = 0, cx = 0, cy = 0;  // the depth camera
    PointDivisors divisors;
    double rotation[3][3] = {};
    double translation[3] = {};
    double fx2 = 0, fy2 = 0, cx2 = 0, cy2 = 0;  // the 2D camera
    // The mask pixel of the same index is taken first when it is set (the cameras coincide).
    bool samePixel = false;
    std::size_t cols = 0;
    bool slowGathers = false;  // slowGathers() when the parameters were made
};

// Pixels [begin, end) of the depth map; every element of out in the range is written (skipped points are
// zero, and black).
void maskRange(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask,
               api::ElementPointXYZ* out, std::size_t begin, std::size_t end, const MaskParams& params);
void maskRange(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask,
               api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end, const MaskParams& params);

}  // namespace imaging
}  // namespace norvik
