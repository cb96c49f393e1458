#pragma once

// Point clouds from a depth map the host already holds (a captured one, or one read from a file), through
// the loops of the capture clouds: the same points, to the bit, as a capture of the same frames gives.

#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace norvik {
namespace imaging {

// EmptyInput when the depth map (or the 2D image) has no array, InvalidIntrinsics when the depth camera's
// fx or fy is zero: cloud is left untouched. Otherwise cloud takes the depth map's size and every element is
// written, in a parallel loop.
api::ErrorStatus cloudFromDepthMap(const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri,
                                   api::Frame<api::ElementPointXYZ>& cloud);
api::ErrorStatus cloudFromDepthMap(const api::Frame<api::ElementDepth>& depth,
                                   const api::Frame<api::ElementColor>& color, const api::DeviceIntri& intri,
                                   api::Frame<api::ElementPointXYZBGR>& cloud);

}  // namespace imaging
}  // namespace norvik
