#include "imaging/captures.h"

#include <new>

#include "imaging/capture_image.h"
#include "imaging/decode.h"
#include "imaging/point_cloud.h"

namespace norvik {
namespace imaging {

namespace {

// Every failure leaves the host's frame empty, so that a stale image is never taken for a new one.
template <typename T>
api::ErrorStatus fail(api::Frame<T>& frame, api::ErrorStatus status) {
    frame.release();
    return status;
}

constexpr char kOutOfMemoryMessage[] = "Not enough memory for the captured image.";

// Runs fill (which may allocate the frame's array); a failed allocation is a failed capture.
template <typename T, typename Fill>
api::ErrorStatus fillFrame(api::Frame<T>& frame, const Fill& fill) {
    try {
        fill();
    } catch (const std::bad_alloc&) {
        return fail(frame, {api::CaptureError, kOutOfMemoryMessage});
    }
    return {};
}

}  // namespace

api::ErrorStatus captureColorMap(transport::CommandClient& client, api::Frame<api::ElementColor>& frame) {
    CapturedImage image;
    if (auto status = captureImage(client, protocol::ImageType::Color, image); !status.isOk())
        return fail(frame, status);
    if (auto status = checkColorPayload(image.header, image.payload); !status.isOk())
        return fail(frame, status);
    return fillFrame(frame, [&] { decodeColorMap(image.header, image.payload, frame); });
}

api::ErrorStatus captureDepthMap(transport::CommandClient& client, api::Frame<api::ElementDepth>& frame) {
    CapturedImage image;
    if (auto status = captureImage(client, protocol::ImageType::Depth, image); !status.isOk())
        return fail(frame, status);
    if (auto status = checkDepthPayload(image.header, image.payload); !status.isOk())
        return fail(frame, status);
    return fillFrame(frame, [&] { decodeDepthMap(image.header, image.payload, frame); });
}

api::ErrorStatus capturePointXYZMap(transport::CommandClient& client, const IntrinsicsSource& intrinsics,
                                    api::Frame<api::ElementPointXYZ>& frame) {
    CapturedImage depth;
    if (auto status = captureImage(client, protocol::ImageType::Depth, depth); !status.isOk())
        return fail(frame, status);
    api::DeviceIntri intri;
    if (auto status = intrinsics(intri); !status.isOk()) return fail(frame, status);
    if (auto status = cloudRefusal(depth.header, depth.payload, intri.intrinsic3DCamera); !status.isOk())
        return fail(frame, status);
    return fillFrame(frame,
                     [&] { computePointXYZ(depth.header, depth.payload, intri.intrinsic3DCamera, frame); });
}

api::ErrorStatus capturePointXYZBGRMap(transport::CommandClient& client, const IntrinsicsSource& intrinsics,
                                       CaptureScratch& scratch, api::Frame<api::ElementPointXYZBGR>& frame) {
    std::unique_lock<std::mutex> scratchLock(scratch.mutex, std::try_to_lock);
    api::Frame<api::ElementColor> ownColor;
    api::Frame<api::ElementColor>& color = scratchLock.owns_lock() ? scratch.color : ownColor;

    CapturedImage image;
    if (auto status = captureImage(client, protocol::ImageType::Color, image); !status.isOk())
        return fail(frame, status);
    if (auto status = checkColorPayload(image.header, image.payload); !status.isOk())
        return fail(frame, status);
    if (auto status = fillFrame(frame, [&] { decodeColorMap(image.header, image.payload, color); });
        !status.isOk())
        return status;

    if (auto status = captureImage(client, protocol::ImageType::Depth, image); !status.isOk())
        return fail(frame, status);
    api::DeviceIntri intri;
    if (auto status = intrinsics(intri); !status.isOk()) return fail(frame, status);
    if (auto status = cloudRefusal(image.header, image.payload, intri.intrinsic3DCamera); !status.isOk())
        return fail(frame, status);
    return fillFrame(frame, [&] { computePointXYZBGR(color, image.header, image.payload, intri, frame); });
}

}  // namespace imaging
}  // namespace norvik
