#include "imaging/decode.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "imaging/cloud_kernels.h"
#include "imaging/imaging_messages.h"
#include "imaging/projection.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace imaging {

namespace {

api::ErrorStatus refused(const char* message) {
    return {api::CaptureError, message};
}

api::ErrorStatus checkSize(const ImageHeader& header) {
    if (header.rows <= 0 || header.cols <= 0) return refused(kImageSizeMessage);
    if (pixelCount(header) == 0) return refused(kImageTooLargeMessage);
    return {};
}

}  // namespace

std::size_t pixelCount(const ImageHeader& header) {
    if (header.rows <= 0 || header.cols <= 0) return 0;
    const auto count = static_cast<std::int64_t>(header.rows) * header.cols;
    if (count > std::numeric_limits<std::int32_t>::max()) return 0;
    return static_cast<std::size_t>(count);
}

api::ErrorStatus checkColorPayload(const ImageHeader& header, std::string_view payload) {
    if (auto status = checkSize(header); !status.isOk()) return status;
    const std::size_t count = pixelCount(header);
    if (header.type == protocol::kPixelTypeBgr) {
        // A negative byte count stands for the bytes received; a given one must be the image's size.
        const std::size_t bytes = count * sizeof(api::ElementColor);
        if (header.byteCount >= 0 && static_cast<std::size_t>(header.byteCount) > bytes)
            return refused(kColorByteCountMessage);
        if ((header.byteCount >= 0 && static_cast<std::size_t>(header.byteCount) < bytes) ||
            payload.size() < bytes)
            return refused(kShortPayloadMessage);
        return {};
    }
    if (header.type == protocol::kPixelTypeGray) {
        if (payload.size() < count) return refused(kShortPayloadMessage);
        return {};
    }
    return refused(kColorTypeMessage);
}

api::ErrorStatus checkDepthPayload(const ImageHeader& header, std::string_view payload) {
    if (auto status = checkSize(header); !status.isOk()) return status;
    if (payload.size() / 2 < pixelCount(header)) return refused(kShortPayloadMessage);
    if (!(std::fabs(header.scale) > kZeroTolerance)) return refused(kZeroScaleMessage);
    return {};
}

bool decodeColorMap(const ImageHeader& header, std::string_view payload,
                    api::Frame<api::ElementColor>& frame) {
    if (!checkColorPayload(header, payload).isOk()) return false;
    frame.resize(static_cast<std::uint32_t>(header.cols), static_cast<std::uint32_t>(header.rows));
    const std::size_t count = pixelCount(header);
    if (header.type == protocol::kPixelTypeBgr) {
        // ElementColor is three packed bytes: the payload is already the frame's byte image.
        std::memcpy(frame.data(), payload.data(), count * sizeof(api::ElementColor));
        return true;
    }
    api::ElementColor* out = frame.data();
    for (std::size_t i = 0; i < count; ++i) {
        const auto level = static_cast<std::uint8_t>(payload[i]);
        out[i] = {level, level, level};
    }
    return true;
}

bool decodeDepthMap(const ImageHeader& header, std::string_view payload,
                    api::Frame<api::ElementDepth>& frame) {
    if (!checkDepthPayload(header, payload).isOk()) return false;
    frame.resize(static_cast<std::uint32_t>(header.cols), static_cast<std::uint32_t>(header.rows));
    const double noIntrinsics[4] = {1, 1, 0, 0};
    const KernelParams params = makeKernelParams(header.scale, noIntrinsics, header.cols, header.rows);
    const auto* raw = reinterpret_cast<const unsigned char*>(payload.data());
    api::ElementDepth* out = frame.data();
    parallelBlocks(pixelCount(header),
                   [&](std::size_t begin, std::size_t end) { depthRange(raw, out, begin, end, params); });
    return true;
}

}  // namespace imaging
}  // namespace norvik
