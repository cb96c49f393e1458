#pragma once

// What the vector loops share besides their vectors (kernel_vectors-inl.h): when the output bypasses the
// caches, and what the colour sampler needs to know about the 2D image.

#include <cstddef>
#include <cstdint>

#include "quorix/Frame.h"

namespace norvik {
namespace imaging {

// Large depth maps and clouds bypass the caches (streaming stores); small ones are better left in them for
// the reader.
inline constexpr std::size_t kStreamingBytes = std::size_t(1) << 22;

// What the vector samplers need to know about the 2D image.
struct ImageGeometry {
    const unsigned char* top = nullptr;  // the first row
    int width = 0;
    std::int64_t bytes = 0;    // the whole image's
    float endX = 0, endY = 0;  // one past the largest x0 and y0 with a right and a lower neighbour
    bool vector = false;       // small enough for 32-bit offsets and exact float coordinates
    bool pairs = false;        // x0, y0 and a row's bytes all fit 16-bit signed integers
    bool slowGathers = false;  // the processor's gather instructions are slow (KernelParams::slowGathers)
};

inline ImageGeometry imageGeometry(const api::Frame<api::ElementColor>& color, bool slowGathers) {
    ImageGeometry g;
    g.slowGathers = slowGathers;
    const std::uint64_t w = color.width(), h = color.height();
    g.vector =
        !color.empty() && w >= 2 && h >= 2 && w <= (1u << 24) && h <= (1u << 24) && 3 * w * h < (1ull << 31);
    if (!g.vector) return g;
    g.top = reinterpret_cast<const unsigned char*>(color.data());
    g.width = static_cast<int>(w);
    g.bytes = static_cast<std::int64_t>(3 * w * h);
    g.endX = static_cast<float>(w - 1);
    g.endY = static_cast<float>(h - 1);
    g.pairs = 3 * w <= 0x7FFF && h - 2 <= 0x7FFF;
    return g;
}

// A colour as the vector loops carry it: b | g << 8 | r << 16.
inline std::uint32_t packColor(const api::ElementColor& c) {
    return static_cast<std::uint32_t>(c.b) | (static_cast<std::uint32_t>(c.g) << 8) |
           (static_cast<std::uint32_t>(c.r) << 16);
}

}  // namespace imaging
}  // namespace norvik
