#include "imaging/texture_mask.h"

#include <cmath>
#include <cstring>

#include "imaging/imaging_messages.h"
#include "imaging/projection.h"
#include "imaging/texture_mask_kernels.h"

namespace norvik {
namespace imaging {

namespace {

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
    MaskParams params;
    params.fx = fx;
    params.fy = fy;
    params.cx = cx;
    params.cy = cy;
    std::memcpy(params.rotation, intri.rotation, sizeof params.rotation);
    std::memcpy(params.translation, intri.translation, sizeof params.translation);
    params.fx2 = fx2;
    params.fy2 = fy2;
    params.cx2 = cx2;
    params.cy2 = cy2;
    params.samePixel = coincide;
    params.cols = depth.width();
    params.slowGathers = slowGathers();
    const std::size_t count = std::size_t(depth.width()) * depth.height();
    params.divisors =
        pointDivisors(intri.intrinsic3DCamera.intrinsic, static_cast<std::int32_t>(depth.width()),
                      static_cast<std::int32_t>(depth.height()));

    cloud.resize(depth.width(), depth.height());
    // On the calling thread, as the caller expects of a host-side computation.
    maskRange(depth.data(), mask, cloud.data(), 0, count, params);
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
