#pragma once

// What the vector loops share: how a range of pixels is cut into groups, when the output bypasses the caches,
// and what the colour sampler needs to know about the 2D image.

#include <cstddef>
#include <cstdint>

#include "imaging/exact_formulas.h"
#include "quorix/Frame.h"

namespace norvik {
namespace imaging {

// Large depth maps and clouds without colour bypass the caches (streaming stores); small ones are better left
// in them for the reader. The coloured clouds always use plain stores: they are bound by their arithmetic,
// and streaming stores stalled them where the caches absorb the lines (about a tenth slower).
inline constexpr std::size_t kStreamingBytes = std::size_t(1) << 22;

// Splits [begin, end) into runs of whole groups of Size pixels, each run within one row and starting at an
// index equal to phase modulo Size, and single pixels for the rest. groups(i, row, col, n) handles pixels
// i .. i + n * Size - 1, which lie in row `row` from column `col`; scalar(i, row, col) handles one pixel.
template <std::size_t Size, typename Groups, typename Scalar>
inline void groupedRange(std::size_t begin, std::size_t end, std::size_t cols, std::size_t phase,
                         const Groups& groups, const Scalar& scalar) {
    for (std::size_t i = begin; i < end;) {
        const std::size_t row = i / cols, rowStart = row * cols;
        const std::size_t rowEnd = end - rowStart < cols ? end : rowStart + cols;
        std::size_t first = i + (Size - (i + Size - phase % Size) % Size) % Size;
        if (first > rowEnd) first = rowEnd;
        exact::walk(i, first, cols, scalar);
        const std::size_t count = (rowEnd - first) / Size;
        if (count > 0) groups(first, row, first - rowStart, count);
        exact::walk(first + count * Size, rowEnd, cols, scalar);
        i = rowEnd;
    }
}

// The phase (see groupedRange) at which groups of Size elements of out start on Alignment-byte boundaries, or
// Size when there is none.
template <std::size_t Size, std::size_t Alignment, typename T>
std::size_t alignedPhase(const T* out) {
    const auto address = reinterpret_cast<std::uintptr_t>(out);
    for (std::size_t phase = 0; phase < Size; ++phase)
        if ((address + phase * sizeof(T)) % Alignment == 0) return phase;
    return Size;
}

// What the vector samplers need to know about the 2D image.
struct ImageGeometry {
    const unsigned char* top = nullptr;  // the first row
    int width = 0;
    float maxX = 0, maxY = 0;  // largest x0 and y0 with a right and a lower neighbour
    std::int64_t bytes = 0;    // of the whole image
    bool vector = false;       // small enough for 32-bit offsets and exact float coordinates
};

inline ImageGeometry imageGeometry(const api::Frame<api::ElementColor>& color) {
    ImageGeometry g;
    const std::uint64_t w = color.width(), h = color.height();
    g.vector =
        !color.empty() && w >= 2 && h >= 2 && w <= (1u << 24) && h <= (1u << 24) && 3 * w * h < (1ull << 31);
    if (!g.vector) return g;
    g.top = reinterpret_cast<const unsigned char*>(color.data());
    g.width = static_cast<int>(w);
    g.maxX = static_cast<float>(w - 2);
    g.maxY = static_cast<float>(h - 2);
    g.bytes = static_cast<std::int64_t>(3 * w * h);
    return g;
}

// A colour as the vector loops carry it: b | g << 8 | r << 16.
inline std::uint32_t packColor(const api::ElementColor& c) {
    return static_cast<std::uint32_t>(c.b) | (static_cast<std::uint32_t>(c.g) << 8) |
           (static_cast<std::uint32_t>(c.r) << 16);
}

}  // namespace imaging
}  // namespace norvik
