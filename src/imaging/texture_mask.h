#pragma once

// Point clouds computed on the host from a depth map, a texture mask in the 2D camera's image and the
// calibration: only points whose mask pixel is not black are kept.

#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace norvik {
namespace imaging {

// 0.114 b + 0.587 g + 0.299 r, formed in double and rounded to float.
float maskGray(const api::ElementColor& pixel);

// True when the depth camera and the 2D camera are the same camera (identity pose, equal intrinsics and
// distortion) and the mask has the depth map's size, so that mask pixels can be read without projection.
bool camerasCoincide(const api::DeviceIntri& intri, const api::Frame<api::ElementColor>& mask,
                     const api::Frame<api::ElementDepth>& depth);

// EmptyInput or InvalidIntrinsics leave cloud untouched. Otherwise cloud takes the depth map's size; kept
// points are written, and every other element is set to zero (and black), on the calling thread.
api::ErrorStatus getCloudFromTextureMask(const api::Frame<api::ElementDepth>& depth,
                                         const api::Frame<api::ElementColor>& mask,
                                         const api::DeviceIntri& intri,
                                         api::Frame<api::ElementPointXYZ>& cloud);
api::ErrorStatus getCloudFromTextureMask(const api::Frame<api::ElementDepth>& depth,
                                         const api::Frame<api::ElementColor>& mask,
                                         const api::DeviceIntri& intri,
                                         api::Frame<api::ElementPointXYZBGR>& cloud);

}  // namespace imaging
}  // namespace norvik
