#include "view_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorix {
namespace tool {

namespace api = norvik::api;

namespace {

// Finer than the camera's own depth step, so that quantising adds nothing visible.
constexpr float kFinestUnitMm = 1.0f / 64;

std::size_t alignedTo4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

constexpr float kLargest = std::numeric_limits<float>::max();

}  // namespace

void encodeFrameMessage(std::uint32_t sequence, const api::Frame<api::ElementColor>& color,
                        const api::Frame<api::ElementDepth>& depth, const FrameTimes& times,
                        std::uint32_t step, std::string& message) {
    static_assert(sizeof(float) == 4 && sizeof(api::ElementColor) == 3, "packed layouts");
    step = std::max<std::uint32_t>(step, 1);
    const std::uint32_t colorWidth = (color.width() + step - 1) / step;
    const std::uint32_t colorHeight = (color.height() + step - 1) / step;
    const std::uint32_t depthWidth = (depth.width() + step - 1) / step;
    const std::uint32_t depthHeight = (depth.height() + step - 1) / step;
    const std::size_t colorBytes = std::size_t(colorWidth) * colorHeight * 3;
    const std::size_t depthCount = std::size_t(depth.width()) * depth.height();
    const api::ElementDepth* d = depth.data();

    // Over the whole map, so that the colours of the depth view do not depend on the step. Written so that
    // the compiler can vectorise it: NaN fails both comparisons.
    float lo = kLargest, hi = 0;
    for (std::size_t i = 0; i < depthCount; ++i) {
        const float v = d[i].d;
        const bool measured = v > 0 && v <= kLargest;
        lo = measured ? std::min(lo, v) : lo;
        hi = measured ? std::max(hi, v) : hi;
    }
    if (hi == 0) lo = 0;

    FrameHeader header;
    header.sequence = sequence;
    header.colorWidth = colorWidth, header.colorHeight = colorHeight;
    header.depthWidth = depthWidth, header.depthHeight = depthHeight;
    header.depthUnitMm = std::max(kFinestUnitMm, hi / 65535.0f);
    header.depthMinMm = lo, header.depthMaxMm = hi;
    header.times = times;
    header.colorOffset = FrameHeader::kSize;
    header.depthOffset = static_cast<std::uint32_t>(alignedTo4(FrameHeader::kSize + colorBytes));
    header.step = step;

    message.resize(header.depthOffset + std::size_t(depthWidth) * depthHeight * 2);
    char* out = &message[0];
    std::memcpy(out, &header, sizeof header);  // the host is little-endian like the page's typed arrays
    char* pixels = out + header.colorOffset;
    if (step == 1) {
        if (colorBytes) std::memcpy(pixels, color.data(), colorBytes);
    } else {
        const api::ElementColor* c = color.data();
        for (std::uint32_t row = 0; row < color.height(); row += step)
            for (std::uint32_t col = 0; col < color.width(); col += step, pixels += 3)
                std::memcpy(pixels, &c[std::size_t(row) * color.width() + col], 3);
    }
    std::fill(out + header.colorOffset + colorBytes, out + header.depthOffset, '\0');

    const float scale = 1.0f / header.depthUnitMm;
    char* samples = out + header.depthOffset;
    for (std::uint32_t row = 0; row < depth.height(); row += step) {
        const api::ElementDepth* line = d + std::size_t(row) * depth.width();
        for (std::uint32_t col = 0; col < depth.width(); col += step, samples += 2) {
            const float v = line[col].d;
            // hi * scale <= 65535, and a measured depth never becomes 0, the page's "nothing measured".
            const float x = (v > 0 && v <= hi) ? std::max(v * scale + 0.5f, 1.0f) : 0.0f;
            const auto sample = static_cast<std::uint16_t>(x);
            std::memcpy(samples, &sample, 2);
        }
    }
}

bool decodeFrameHeader(const std::string& message, FrameHeader& header) {
    if (message.size() < sizeof header) return false;
    std::memcpy(&header, message.data(), sizeof header);
    return header.magic == FrameHeader::kMagic && header.headerSize == FrameHeader::kSize;
}

}  // namespace tool
}  // namespace quorix
