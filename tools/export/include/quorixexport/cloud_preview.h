#pragma once

// A picture of a point cloud seen from above and to the side, so that a person sees the 3D result without a
// viewer.

#include <cstdint>
#include <string>

#include "quorix/Frame.h"
#include "quorixexport/result.h"

namespace quorix {
namespace files {

struct PreviewOptions {
    std::uint32_t width = 960;
    std::uint32_t height = 720;
    double yawDegrees = 35;    // turn about the cloud's vertical axis
    double pitchDegrees = 30;  // tilt towards the viewer
};

// Renders the measured points with a z-buffer, each as a small square, orthographically and fitted to the
// picture. Points of an uncoloured cloud are shaded by depth.
norvik::api::Frame<norvik::api::ElementColor> renderCloudPreview(
    const norvik::api::Frame<norvik::api::ElementPointXYZBGR>& cloud, const PreviewOptions& options = {});
norvik::api::Frame<norvik::api::ElementColor> renderCloudPreview(
    const norvik::api::Frame<norvik::api::ElementPointXYZ>& cloud, const PreviewOptions& options = {});

template <typename Point>
FileResult writeCloudPreviewPng(const std::string& path, const norvik::api::Frame<Point>& cloud,
                                const PreviewOptions& options = {});

}  // namespace files
}  // namespace quorix
