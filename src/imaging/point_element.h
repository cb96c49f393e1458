#pragma once

// Writing a coloured point as a whole.

#include <cstddef>
#include <cstring>

#include "quorix/Frame.h"

namespace norvik {
namespace imaging {

// Writes all sixteen bytes of the element, the padding byte after the colour as zero: an assignment of the
// members leaves that byte undefined, and frames that are saved, compared or hashed as bytes would differ
// from call to call. The vector loops write the same bytes.
inline void storeColorPoint(api::ElementPointXYZBGR& out, const api::ElementColor& c, float x, float y,
                            float z) {
    unsigned char bytes[sizeof(api::ElementPointXYZBGR)] = {c.b, c.g, c.r};
    std::memcpy(bytes + offsetof(api::ElementPointXYZBGR, x), &x, sizeof x);
    std::memcpy(bytes + offsetof(api::ElementPointXYZBGR, y), &y, sizeof y);
    std::memcpy(bytes + offsetof(api::ElementPointXYZBGR, z), &z, sizeof z);
    std::memcpy(&out, bytes, sizeof bytes);
}

}  // namespace imaging
}  // namespace norvik
