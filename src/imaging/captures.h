#pragma once

// The four capture operations: one or two "CaptureImage" exchanges, then decoding or a point cloud into the
// host's frame. A failed capture releases the host's frame.

#include <functional>
#include <mutex>

#include "quorix/Frame.h"
#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace imaging {

// Kept by the device between coloured captures so that, at an unchanged size, they allocate nothing. A
// capture that finds the scratch busy (another thread is capturing on the same device) decodes into a frame
// of its own instead of waiting.
struct CaptureScratch {
    std::mutex mutex;
    api::Frame<api::ElementColor> color;
};

// Yields the calibration a cloud is computed from (it may read it again from the camera).
using IntrinsicsSource = std::function<api::ErrorStatus(api::DeviceIntri&)>;

api::ErrorStatus captureColorMap(transport::CommandClient& client, api::Frame<api::ElementColor>& frame);
api::ErrorStatus captureDepthMap(transport::CommandClient& client, api::Frame<api::ElementDepth>& frame);
api::ErrorStatus capturePointXYZMap(transport::CommandClient& client, const IntrinsicsSource& intrinsics,
                                    api::Frame<api::ElementPointXYZ>& frame);
api::ErrorStatus capturePointXYZBGRMap(transport::CommandClient& client, const IntrinsicsSource& intrinsics,
                                       CaptureScratch& scratch, api::Frame<api::ElementPointXYZBGR>& frame);

}  // namespace imaging
}  // namespace norvik
