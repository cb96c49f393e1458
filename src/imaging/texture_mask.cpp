#include "imaging/texture_mask.h"

#include <cmath>

#include "imaging/imaging_messages.h"
#include "imaging/point_element.h"
#include "imaging/projection.h"

namespace norvik {
namespace imaging {

namespace {

bool isSet(const api::ElementColor& pixel) {
    return static_cast<double>(maskGray(pixel)) > kZeroTolerance;
}

inline void store(api::ElementPointXYZ& out, float x, float y, float z, const api::ElementColor&) {
    out = {x, y, z};
}

inline void store(api::ElementPointXYZBGR& out, float x, float y, float z, const api::ElementColor& c) {
    storeColorPoint(out, c, x, y, z);
}

template <typename Point>
api::ErrorStatus cloudFromMask(const api::Frame<api::ElementDepth>& depth,
                               const api::Frame<api::ElementColor>& mask, const api::DeviceIntri& intri,
                               api::Frame<Point>& cloud) {
    if (depth.empty() || mask.empty()) return {api::EmptyInput, kEmptyInputMessage};
    const double* cam3 = intri.intrinsic3DCamera.intrinsic;
    const double* cam2 = intri.intrinsic2DCamera.intrinsic;
    const double fx = cam3[0], fy = cam3[1], cx = cam3[2], cy = cam3[3];
    const double fx2 = cam2[0], fy2 = cam2[1], cx2 = cam2[2], cy2 = cam2[3];
    if (!(fx2 > 0) || !(fy2 > 0) || !(fx > 0) || !(fy > 0))
        return {api::InvalidIntrinsics, kInvalidIntrinsicsMessage};
    const bool coincide = camerasCoincide(intri, mask, depth);
    const auto& r = intri.rotation;
    const auto& t = intri.translation;

    const std::uint32_t width = depth.width();
    const std::uint32_t height = depth.height();
    cloud.resize(width, height);
    const api::ElementDepth* depths = depth.data();
    Point* out = cloud.data();
    const api::ElementColor black{0, 0, 0};
    for (std::uint32_t i = 0; i < height; ++i) {
        for (std::uint32_t j = 0; j < width; ++j) {
            const std::size_t index = static_cast<std::size_t>(i) * width + j;
            // A skipped point is zero, so that a reused frame never keeps points of an earlier call.
            store(out[index], 0.0f, 0.0f, 0.0f, black);
            const float d = depths[index].d;
            if (std::fabs(d) <= kZeroTolerance) continue;
            const auto x = static_cast<float>((static_cast<double>(j) - cx) * static_cast<double>(d) / fx);
            const auto y = static_cast<float>((static_cast<double>(i) - cy) * static_cast<double>(d) / fy);
            const float z = d;
            if (coincide) {
                const api::ElementColor& pixel = mask.data()[index];
                if (isSet(pixel)) {
                    store(out[index], x, y, z, pixel);
                    continue;
                }
            }
            const double xd = x, yd = y, zd = z;
            const auto xc = static_cast<float>(r[0][0] * xd + r[0][1] * yd + r[0][2] * zd + t[0]);
            const auto yc = static_cast<float>(r[1][0] * xd + r[1][1] * yd + r[1][2] * zd + t[1]);
            const auto zc = static_cast<float>(r[2][0] * xd + r[2][1] * yd + r[2][2] * zd + t[2]);
            if (std::fabs(zc) <= kZeroTolerance) continue;
            const auto u = static_cast<float>(static_cast<double>(xc) * fx2 / static_cast<double>(zc) + cx2);
            const auto v = static_cast<float>(static_cast<double>(yc) * fy2 / static_cast<double>(zc) + cy2);
            const api::ElementColor sample = sampleBilinear(mask, u, v);
            if (isSet(sample)) store(out[index], x, y, z, sample);
        }
    }
    return {};
}

}  // namespace

float maskGray(const api::ElementColor& pixel) {
    return static_cast<float>(0.114 * static_cast<double>(static_cast<float>(pixel.b)) +
                              0.587 * static_cast<double>(static_cast<float>(pixel.g)) +
                              0.299 * static_cast<double>(static_cast<float>(pixel.r)));
}

bool camerasCoincide(const api::DeviceIntri& intri, const api::Frame<api::ElementColor>& mask,
                     const api::Frame<api::ElementDepth>& depth) {
    return sameCamera(intri) && mask.width() == depth.width() && mask.height() == depth.height();
}

api::ErrorStatus getCloudFromTextureMask(const api::Frame<api::ElementDepth>& depth,
                                         const api::Frame<api::ElementColor>& mask,
                                         const api::DeviceIntri& intri,
                                         api::Frame<api::ElementPointXYZ>& cloud) {
    return cloudFromMask(depth, mask, intri, cloud);
}

api::ErrorStatus getCloudFromTextureMask(const api::Frame<api::ElementDepth>& depth,
                                         const api::Frame<api::ElementColor>& mask,
                                         const api::DeviceIntri& intri,
                                         api::Frame<api::ElementPointXYZBGR>& cloud) {
    return cloudFromMask(depth, mask, intri, cloud);
}

}  // namespace imaging
}  // namespace norvik
