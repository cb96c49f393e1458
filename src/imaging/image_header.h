#pragma once

// The fixed header a capture reply carries behind its JSON text.

#include <cstdint>

namespace norvik {
namespace imaging {

struct ImageHeader {
    double scale = 0.0;          // raw depth units per millimetre (depth maps only)
    std::int32_t rows = 0;       // image height in pixels
    std::int32_t cols = 0;       // image width in pixels
    std::int32_t type = 0;       // pixel type of a colour payload (16 = B-G-R, 0 = gray)
    std::int32_t byteCount = 0;  // image bytes behind the header
};

}  // namespace imaging
}  // namespace norvik
