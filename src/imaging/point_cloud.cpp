#include "imaging/point_cloud.h"

#include <cmath>

#include "imaging/cloud_kernels.h"
#include "imaging/decode.h"
#include "imaging/imaging_messages.h"
#include "imaging/projection.h"

namespace norvik {
namespace imaging {

bool usableDepthIntrinsics(const api::CameraIntrinsics& camera) {
    return std::fabs(camera.intrinsic[0]) > kZeroTolerance && std::fabs(camera.intrinsic[1]) > kZeroTolerance;
}

api::ErrorStatus cloudRefusal(const ImageHeader& depth, std::string_view payload,
                              const api::CameraIntrinsics& camera) {
    if (!usableDepthIntrinsics(camera)) return {api::InvalidIntrinsics, kInvalidIntrinsicsMessage};
    return checkDepthPayload(depth, payload);
}

void addColorView(KernelParams& params, const api::DeviceIntri& intri,
                  const api::Frame<api::ElementColor>& color, std::int32_t rows) {
    // The loop works on its own copy of the pose.
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) params.rotation[i][j] = intri.rotation[i][j];
        params.translation[i] = intri.translation[i];
    }
    const double* camera2D = intri.intrinsic2DCamera.intrinsic;
    params.fx2 = camera2D[0];
    params.fy2 = camera2D[1];
    params.cx2 = camera2D[2];
    params.cy2 = camera2D[3];
    params.sameView = sameCamera(intri) && !color.empty() &&
                      color.width() == static_cast<std::uint32_t>(params.cols) &&
                      color.height() == static_cast<std::uint32_t>(rows);
}

bool computePointXYZ(const ImageHeader& depth, std::string_view payload, const api::CameraIntrinsics& camera,
                     api::Frame<api::ElementPointXYZ>& frame) {
    if (!cloudRefusal(depth, payload, camera).isOk()) return false;
    frame.resize(static_cast<std::uint32_t>(depth.cols), static_cast<std::uint32_t>(depth.rows));
    const KernelParams params = makeKernelParams(depth.scale, camera.intrinsic, depth.cols, depth.rows);
    const auto* raw = reinterpret_cast<const unsigned char*>(payload.data());
    api::ElementPointXYZ* out = frame.data();
    parallelBlocks(pixelCount(depth),
                   [&](std::size_t begin, std::size_t end) { pointRange(raw, out, begin, end, params); });
    return true;
}

bool computePointXYZBGR(const api::Frame<api::ElementColor>& color, const ImageHeader& depth,
                        std::string_view payload, const api::DeviceIntri& intri,
                        api::Frame<api::ElementPointXYZBGR>& frame) {
    if (!cloudRefusal(depth, payload, intri.intrinsic3DCamera).isOk()) return false;
    frame.resize(static_cast<std::uint32_t>(depth.cols), static_cast<std::uint32_t>(depth.rows));
    KernelParams params =
        makeKernelParams(depth.scale, intri.intrinsic3DCamera.intrinsic, depth.cols, depth.rows);
    addColorView(params, intri, color, depth.rows);
    const auto* raw = reinterpret_cast<const unsigned char*>(payload.data());
    api::ElementPointXYZBGR* out = frame.data();
    parallelBlocks(pixelCount(depth), [&](std::size_t begin, std::size_t end) {
        colorPointRange(raw, color, out, begin, end, params);
    });
    return true;
}

}  // namespace imaging
}  // namespace norvik
