#pragma once

// The files of one frame that a viewer tab can download: written by the export library into a scratch
// folder, then read back as the body of the reply.

#include <cstdint>
#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"
#include "web_server.h"

namespace quorix {
namespace tool {

// "cloud.ply", "cloud.pcd", "color.png", "depth.tiff".
const std::vector<std::string>& frameFileNames();

// The file as an attachment named "quorix-<sequence>-<name>"; 404 for a name not in frameFileNames, 500
// with the writer's message when it cannot be written. The cloud is the coloured cloud of this very
// frame, computed on the host from its depth map, its 2D image and the calibration.
viewer::HttpReply frameFileReply(const std::string& name, std::uint32_t sequence,
                                 const norvik::api::Frame<norvik::api::ElementColor>& color,
                                 const norvik::api::Frame<norvik::api::ElementDepth>& depth,
                                 const norvik::api::DeviceIntri& intri);

viewer::HttpReply plainReply(int status, const std::string& text);

}  // namespace tool
}  // namespace quorix
