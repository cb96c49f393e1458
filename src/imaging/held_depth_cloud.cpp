#include "imaging/held_depth_cloud.h"

#include <new>

#include "imaging/cloud_kernels.h"
#include "imaging/imaging_messages.h"
#include "imaging/point_cloud.h"

namespace norvik {
namespace imaging {

namespace {

constexpr char kEmptyDepthMessage[] = "The input depth map is empty.";
constexpr char kEmptyImagesMessage[] = "The input depth map or the 2D image is empty.";

// The capture loops read the held depths in place of the samples' table: a captured map's depths are the
// table's, so the points are the same to the bit.
template <typename Point, typename Prepare, typename Loop>
api::ErrorStatus fill(const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri,
                      api::Frame<Point>& cloud, const Prepare& prepare, const Loop& loop) {
    if (!usableDepthIntrinsics(intri.intrinsic3DCamera))
        return {api::InvalidIntrinsics, kInvalidIntrinsicsMessage};
    try {
        cloud.resize(depth.width(), depth.height());
    } catch (const std::bad_alloc&) {
        return {api::CaptureError, "Not enough memory for the point cloud."};
    }
    KernelParams params =
        makeHeldParams(depth.data(), intri.intrinsic3DCamera.intrinsic,
                       static_cast<std::int32_t>(depth.width()), static_cast<std::int32_t>(depth.height()));
    prepare(params);
    Point* out = cloud.data();
    parallelBlocks(static_cast<std::size_t>(depth.width()) * depth.height(),
                   [&](std::size_t begin, std::size_t end) { loop(out, begin, end, params); });
    return {};
}

}  // namespace

api::ErrorStatus cloudFromDepthMap(const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri,
                                   api::Frame<api::ElementPointXYZ>& cloud) {
    if (depth.empty()) return {api::EmptyInput, kEmptyDepthMessage};
    return fill(
        depth, intri, cloud, [](KernelParams&) {},
        [](api::ElementPointXYZ* out, std::size_t begin, std::size_t end, const KernelParams& p) {
            pointRange(nullptr, out, begin, end, p);
        });
}

api::ErrorStatus cloudFromDepthMap(const api::Frame<api::ElementDepth>& depth,
                                   const api::Frame<api::ElementColor>& color, const api::DeviceIntri& intri,
                                   api::Frame<api::ElementPointXYZBGR>& cloud) {
    if (depth.empty() || color.empty()) return {api::EmptyInput, kEmptyImagesMessage};
    return fill(
        depth, intri, cloud,
        [&](KernelParams& p) { addColorView(p, intri, color, static_cast<std::int32_t>(depth.height())); },
        [&](api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end, const KernelParams& p) {
            colorPointRange(nullptr, color, out, begin, end, p);
        });
}

}  // namespace imaging
}  // namespace norvik
