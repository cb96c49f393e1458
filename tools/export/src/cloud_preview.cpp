#include "quorix/QuorixExport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "colour_ramp.h"

namespace norvik {
namespace files {

namespace {

constexpr double kPi = 3.14159265358979323846;
const api::ElementColor kBackground{40, 32, 32};

struct Splat {
    double u, v, depth;
    api::ElementColor colour;
};

api::ElementColor colourOf(const api::ElementPointXYZBGR& p) { return {p.b, p.g, p.r}; }
api::ElementColor colourOf(const api::ElementPointXYZ&) { return {}; }

template <typename Point>
api::Frame<api::ElementColor> render(const api::Frame<Point>& cloud, const PreviewOptions& options,
                                     bool colored) {
    api::Frame<api::ElementColor> image;
    if (options.width == 0 || options.height == 0) return image;
    image.resize(options.width, options.height);
    std::fill(image.data(), image.data() + static_cast<std::size_t>(options.width) * options.height,
              kBackground);
    if (cloud.empty()) return image;

    const std::size_t count = static_cast<std::size_t>(cloud.width()) * cloud.height();
    const Point* points = cloud.data();
    double cx = 0, cy = 0, cz = 0, zMin = std::numeric_limits<double>::max(), zMax = 0;
    std::size_t measured = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Point& p = points[i];
        if (!isMeasured(p.x, p.y, p.z)) continue;
        cx += p.x, cy += p.y, cz += p.z;
        zMin = std::min<double>(zMin, p.z);
        zMax = std::max<double>(zMax, p.z);
        ++measured;
    }
    if (measured == 0) return image;
    cx /= measured, cy /= measured, cz /= measured;

    // The camera looks along +z with y down: turn about the y axis, then tilt about the x axis, around the
    // cloud's centre.
    const double yaw = options.yawDegrees * kPi / 180, pitch = options.pitchDegrees * kPi / 180;
    const double cyaw = std::cos(yaw), syaw = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    std::vector<Splat> splats;
    splats.reserve(measured);
    double uMin = std::numeric_limits<double>::max(), uMax = -uMin, vMin = uMin, vMax = -uMin;
    for (std::size_t i = 0; i < count; ++i) {
        const Point& p = points[i];
        if (!isMeasured(p.x, p.y, p.z)) continue;
        const double x = p.x - cx, y = p.y - cy, z = p.z - cz;
        const double x1 = cyaw * x + syaw * z, z1 = -syaw * x + cyaw * z;
        const double y2 = cp * y - sp * z1, z2 = sp * y + cp * z1;
        api::ElementColor colour =
            colored ? colourOf(p) : rampColour(zMax > zMin ? (p.z - zMin) / (zMax - zMin) : 0.0);
        splats.push_back({x1, y2, z2, colour});
        uMin = std::min(uMin, x1), uMax = std::max(uMax, x1);
        vMin = std::min(vMin, y2), vMax = std::max(vMax, y2);
    }

    // Fit the projected cloud into the picture with a margin, keeping its proportions.
    const double margin = 0.05;
    const double scale = std::min(options.width * (1 - 2 * margin) / std::max(uMax - uMin, 1e-9),
                                  options.height * (1 - 2 * margin) / std::max(vMax - vMin, 1e-9));
    const double u0 = (options.width - (uMax - uMin) * scale) / 2,
                 v0 = (options.height - (vMax - vMin) * scale) / 2;
    // Squares large enough to close the gaps between neighbouring points at this scale.
    const int size =
        std::clamp(static_cast<int>(std::ceil(2.0 * options.width / std::sqrt(double(measured)))), 1, 4);
    std::vector<double> zbuffer(static_cast<std::size_t>(options.width) * options.height,
                                std::numeric_limits<double>::max());
    for (const Splat& s : splats) {
        const int col = static_cast<int>((s.u - uMin) * scale + u0),
                  row = static_cast<int>((s.v - vMin) * scale + v0);
        for (int dy = 0; dy < size; ++dy) {
            for (int dx = 0; dx < size; ++dx) {
                const int c = col + dx, r = row + dy;
                if (c < 0 || r < 0 || c >= int(options.width) || r >= int(options.height)) continue;
                const std::size_t index = static_cast<std::size_t>(r) * options.width + c;
                if (s.depth < zbuffer[index]) {
                    zbuffer[index] = s.depth;
                    image.data()[index] = s.colour;
                }
            }
        }
    }
    return image;
}

}  // namespace

api::Frame<api::ElementColor> renderCloudPreview(const api::Frame<api::ElementPointXYZBGR>& cloud,
                                                 const PreviewOptions& options) {
    return render(cloud, options, true);
}
api::Frame<api::ElementColor> renderCloudPreview(const api::Frame<api::ElementPointXYZ>& cloud,
                                                 const PreviewOptions& options) {
    return render(cloud, options, false);
}

FileResult writeCloudPreviewPng(const std::string& path, const api::Frame<api::ElementPointXYZBGR>& cloud,
                                const PreviewOptions& options) {
    return writeColorPng(path, renderCloudPreview(cloud, options), options.pngLevel);
}
FileResult writeCloudPreviewPng(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                                const PreviewOptions& options) {
    return writeColorPng(path, renderCloudPreview(cloud, options), options.pngLevel);
}

}  // namespace files
}  // namespace norvik
