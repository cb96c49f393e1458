#include "imaging/captures.h"

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

}  // namespace

api::ErrorStatus captureColorMap(transport::CommandClient& client, api::Frame<api::ElementColor>& frame) {
    CapturedImage image;
    if (auto status = captureImage(client, protocol::ImageType::Color, image); !status.isOk())
        return fail(frame, status);
    if (auto status = checkColorPayload(image.header, image.payload); !status.isOk()) return fail(frame, status);
    decodeColorMap(image.header, image.payload, frame);
    return {};
}

api::ErrorStatus captureDepthMap(transport::CommandClient& client, api::Frame<api::ElementDepth>& frame) {
    CapturedImage image;
    if (auto status = captureImage(client, protocol::ImageType::Depth, image); !status.isOk())
        return fail(frame, status);
    if (auto status = checkDepthPayload(image.header, image.payload); !status.isOk()) return fail(frame, status);
    decodeDepthMap(image.header, image.payload, frame);
    return {};
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
    computePointXYZ(depth.header, depth.payload, intri.intrinsic3DCamera, frame);
    return {};
}

api::ErrorStatus capturePointXYZBGRMap(transport::CommandClient& client, const IntrinsicsSource& intrinsics,
                                       CaptureScratch& scratch, api::Frame<api::ElementPointXYZBGR>& frame) {
    std::unique_lock<std::mutex> scratchLock(scratch.mutex, std::try_to_lock);
    api::Frame<api::ElementColor> ownColor;
    api::Frame<api::ElementColor>& color = scratchLock.owns_lock() ? scratch.color : ownColor;

    CapturedImage image;
    if (auto status = captureImage(client, protocol::ImageType::Color, image); !status.isOk())
        return fail(frame, status);
    if (auto status = checkColorPayload(image.header, image.payload); !status.isOk()) return fail(frame, status);
    decodeColorMap(image.header, image.payload, color);

    if (auto status = captureImage(client, protocol::ImageType::Depth, image); !status.isOk())
        return fail(frame, status);
    api::DeviceIntri intri;
    if (auto status = intrinsics(intri); !status.isOk()) return fail(frame, status);
    if (auto status = cloudRefusal(image.header, image.payload, intri.intrinsic3DCamera); !status.isOk())
        return fail(frame, status);
    computePointXYZBGR(color, image.header, image.payload, intri, frame);
    return {};
}

}  // namespace imaging
}  // namespace norvik
