#pragma once

// Back-projecting depth maps through the depth camera's intrinsics, and colouring the points from the 2D
// image.

#include <string_view>

#include "imaging/cloud_kernels.h"
#include "imaging/image_header.h"
#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace norvik {
namespace imaging {

// Why no cloud can be computed from this depth capture and calibration, or Success: InvalidIntrinsics when
// the depth camera's fx or fy is zero (checked first), CaptureError for a malformed payload or zero scale.
api::ErrorStatus cloudRefusal(const ImageHeader& depth, std::string_view payload,
                              const api::CameraIntrinsics& camera);

// Whether the depth camera's focal lengths allow a cloud: both of a magnitude above zero (NaN refused).
bool usableDepthIntrinsics(const api::CameraIntrinsics& camera);

// Adds to params what the coloured loops need: the pose, the 2D camera's intrinsics and whether the 2D
// image can be read at each depth pixel without projection (for a depth map of params.cols x rows).
void addColorView(KernelParams& params, const api::DeviceIntri& intri,
                  const api::Frame<api::ElementColor>& color, std::int32_t rows);

// Each returns false, leaving the frame untouched, when cloudRefusal refuses. Otherwise the frame takes the
// depth map's size and every element is written, in a parallel loop.
bool computePointXYZ(const ImageHeader& depth, std::string_view payload, const api::CameraIntrinsics& camera,
                     api::Frame<api::ElementPointXYZ>& frame);
bool computePointXYZBGR(const api::Frame<api::ElementColor>& color, const ImageHeader& depth,
                        std::string_view payload, const api::DeviceIntri& intri,
                        api::Frame<api::ElementPointXYZBGR>& frame);

}  // namespace imaging
}  // namespace norvik
