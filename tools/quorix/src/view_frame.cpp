#include "view_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorix {
namespace tool {

namespace api = norvik::api;

namespace {

// Finer than the camera's own depth step, so that quantising adds nothing visible.
constexpr float kFinestUnitMm = 1.0f / 64;

std::size_t alignedTo4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

bool measured(float d) { return std::isfinite(d) && d > 0; }

}  // namespace

void encodeFrameMessage(std::uint32_t sequence, const api::Frame<api::ElementColor>& color,
                        const api::Frame<api::ElementDepth>& depth, const FrameTimes& times,
                        std::string& message) {
    static_assert(sizeof(float) == 4 && sizeof(api::ElementColor) == 3, "packed layouts");
    const std::size_t colorBytes = std::size_t(color.width()) * color.height() * 3;
    const std::size_t depthCount = std::size_t(depth.width()) * depth.height();
    const api::ElementDepth* d = depth.data();

    float lo = 0, hi = 0;
    for (std::size_t i = 0; i < depthCount; ++i) {
        const float v = d[i].d;
        if (!measured(v)) continue;
        lo = (lo == 0 || v < lo) ? v : lo;
        hi = std::max(hi, v);
    }

    FrameHeader header;
    header.sequence = sequence;
    header.colorWidth = color.width(), header.colorHeight = color.height();
    header.depthWidth = depth.width(), header.depthHeight = depth.height();
    header.depthUnitMm = std::max(kFinestUnitMm, hi / 65535.0f);
    header.depthMinMm = lo, header.depthMaxMm = hi;
    header.times = times;
    header.colorOffset = FrameHeader::kSize;
    header.depthOffset = static_cast<std::uint32_t>(alignedTo4(FrameHeader::kSize + colorBytes));

    message.resize(header.depthOffset + depthCount * 2);
    char* out = &message[0];
    std::memcpy(out, &header, sizeof header);  // the host is little-endian like the page's typed arrays
    if (colorBytes) std::memcpy(out + header.colorOffset, color.data(), colorBytes);
    std::fill(out + header.colorOffset + colorBytes, out + header.depthOffset, '\0');

    const float scale = 1.0f / header.depthUnitMm;
    char* samples = out + header.depthOffset;
    for (std::size_t i = 0; i < depthCount; ++i) {
        const float v = d[i].d;
        // A measured depth never becomes 0, the page's "nothing measured".
        const std::uint16_t sample =
            measured(v) ? static_cast<std::uint16_t>(std::clamp(std::lround(v * scale), 1L, 65535L)) : 0;
        std::memcpy(samples + 2 * i, &sample, 2);
    }
}

bool decodeFrameHeader(const std::string& message, FrameHeader& header) {
    if (message.size() < sizeof header) return false;
    std::memcpy(&header, message.data(), sizeof header);
    return header.magic == FrameHeader::kMagic && header.headerSize == FrameHeader::kSize;
}

}  // namespace tool
}  // namespace quorix
