#pragma once

// One captured frame as the viewer's binary WebSocket message: a fixed little-endian header, the 2D image
// as B-G-R bytes, then the depth map as 16-bit samples of depthUnitMm millimetres (0: nothing measured).
// The page derives the cloud from the depth map and the calibration, which sends a third of the bytes a
// coloured cloud would take. A tab may ask for every step-th pixel of every step-th row of both images
// (pixel (i, j) of the message is pixel (step i, step j) of the camera's), a quarter of the bytes at step 2.

#include <cstdint>
#include <string>

#include "quorix/Frame.h"

namespace quorix {
namespace tool {

// Times of one frame's stages on the host, in milliseconds.
struct FrameTimes {
    float capture2D = 0;
    float captureDepth = 0;
    float encode = 0;
    float previousSend = 0;  // of the frame before, to every waiting tab
};

// Header fields in the order they are written, each 4 bytes. The page reads them by the same names.
struct FrameHeader {
    static constexpr std::uint32_t kMagic = 0x46565851;  // "QXVF" in little-endian order
    static constexpr std::uint32_t kSize = 68;

    std::uint32_t magic = kMagic;
    std::uint32_t headerSize = kSize;
    std::uint32_t sequence = 0;
    std::uint32_t colorWidth = 0, colorHeight = 0;
    std::uint32_t depthWidth = 0, depthHeight = 0;
    float depthUnitMm = 0;
    float depthMinMm = 0, depthMaxMm = 0;  // of the measured pixels; 0 when none
    FrameTimes times;
    std::uint32_t colorOffset = 0, depthOffset = 0;  // from the start of the message
    std::uint32_t step = 1;                          // sizes above are of the images as sent
};
static_assert(sizeof(FrameHeader) == FrameHeader::kSize, "the header is seventeen 4-byte fields");

// Encodes into message (reusing its capacity). Depths that are not finite or not positive count as not
// measured; the unit is the finest that keeps the farthest depth within 16 bits.
// step is 1 or more.
void encodeFrameMessage(std::uint32_t sequence, const norvik::api::Frame<norvik::api::ElementColor>& color,
                        const norvik::api::Frame<norvik::api::ElementDepth>& depth, const FrameTimes& times,
                        std::uint32_t step, std::string& message);

// Reads the header back; false when the message is too short or not a frame.
bool decodeFrameHeader(const std::string& message, FrameHeader& header);

}  // namespace tool
}  // namespace quorix
