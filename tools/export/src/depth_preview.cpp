#include <algorithm>
#include <cmath>
#include <limits>

#include "colour_ramp.h"
#include "quorix/QuorixExport.h"

namespace norvik {
namespace files {

api::ElementColor rampColour(double t) {
    t = std::clamp(t, 0.0, 1.0);
    // Four linear segments between five key colours (R, G, B).
    static const double keys[5][3] = {{0, 0, 255}, {0, 255, 255}, {0, 255, 0}, {255, 255, 0}, {255, 0, 0}};
    const double scaled = t * 4;
    const int i = std::min(3, static_cast<int>(scaled));
    const double f = scaled - i;
    auto mix = [&](int c) {
        return static_cast<std::uint8_t>(std::lround(keys[i][c] + (keys[i + 1][c] - keys[i][c]) * f));
    };
    return api::ElementColor{mix(2), mix(1), mix(0)};
}

FileResult writeDepthPreviewPng(const std::string& path, const api::Frame<api::ElementDepth>& depth,
                                int pngLevel) {
    if (depth.empty()) return FileResult::failure(path, "nothing to write (empty depth map)");
    const std::size_t count = static_cast<std::size_t>(depth.width()) * depth.height();
    const api::ElementDepth* d = depth.data();
    float lo = std::numeric_limits<float>::max(), hi = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (d[i].d > 0 && std::isfinite(d[i].d)) {
            lo = std::min(lo, d[i].d);
            hi = std::max(hi, d[i].d);
        }
    }
    const double span = hi > lo ? hi - lo : 1.0;
    api::Frame<api::ElementColor> image;
    image.resize(depth.width(), depth.height());
    for (std::size_t i = 0; i < count; ++i) {
        const bool measured = d[i].d > 0 && std::isfinite(d[i].d);
        image.data()[i] = measured ? rampColour((d[i].d - lo) / span) : api::ElementColor{0, 0, 0};
    }
    return writeColorPng(path, image, pngLevel);
}

}  // namespace files
}  // namespace norvik
