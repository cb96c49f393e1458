// A capture reply as it arrives: split into header and image bytes, then decoded as colour and as depth.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "imaging/capture_image.h"
#include "imaging/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    norvik::imaging::ImageHeader header;
    std::string_view payload;
    if (!norvik::imaging::splitCaptureReply(reply, header, payload).isOk()) return 0;
    // Frames kept across inputs, as a device keeps the caller's frames between captures of changing size.
    static norvik::api::Frame<norvik::api::ElementColor> color;
    static norvik::api::Frame<norvik::api::ElementDepth> depth;
    norvik::imaging::decodeColorMap(header, payload, color);
    norvik::imaging::decodeDepthMap(header, payload, depth);
    return 0;
}
