// Captures from the virtual camera through the public interface: the four outputs agree with each other and
// with the camera's calibration.
#include <gtest/gtest.h>

#include <cmath>

#include "quorix/QuorixDevice.h"
#include "support/virtual_camera_device.h"

using namespace norvik::api;
using quorix_test::VirtualCameraDevice;

namespace {

class VirtualCameraCaptures : public testing::TestWithParam<int> {};

}  // namespace

TEST_P(VirtualCameraCaptures, AllOutputsAgree) {
    VirtualCameraDevice vc(GetParam());
    ASSERT_TRUE(vc.ready());
    const QuorixDevice& d = vc.device;
    DeviceResolution resolution;
    ASSERT_EQ(d.getDeviceResolution(resolution).code, Success);
    DeviceIntri intri;
    ASSERT_EQ(d.getDeviceIntri(intri).code, Success);

    Frame<ElementColor> color;
    ASSERT_EQ(d.captureColorMap(color).code, Success);
    EXPECT_EQ(color.width(), resolution.image2DWidth);
    EXPECT_EQ(color.height(), resolution.image2DHeight);

    Frame<ElementDepth> depth;
    ASSERT_EQ(d.captureDepthMap(depth).code, Success);
    ASSERT_EQ(depth.width(), resolution.image3DWidth);
    ASSERT_EQ(depth.height(), resolution.image3DHeight);

    Frame<ElementPointXYZ> cloud;
    ASSERT_EQ(d.capturePointXYZMap(cloud).code, Success);
    Frame<ElementPointXYZBGR> colored;
    ASSERT_EQ(d.capturePointXYZBGRMap(colored).code, Success);
    ASSERT_EQ(cloud.width(), depth.width());
    ASSERT_EQ(colored.height(), depth.height());

    // An unchanged scene gives the same depth each time: the clouds' z is the depth map, and x, y follow
    // from the depth camera's intrinsics.
    const double fx = intri.intrinsic3DCamera.intrinsic[0], fy = intri.intrinsic3DCamera.intrinsic[1];
    const double cx = intri.intrinsic3DCamera.intrinsic[2], cy = intri.intrinsic3DCamera.intrinsic[3];
    std::size_t measured = 0, coloured = 0;
    for (std::uint32_t row = 0; row < depth.height(); row += 7) {
        for (std::uint32_t col = 0; col < depth.width(); col += 7) {
            const float z = depth.at(row, col).d;
            const ElementPointXYZ& p = cloud.at(row, col);
            const ElementPointXYZBGR& q = colored.at(row, col);
            ASSERT_EQ(p.z, z);
            ASSERT_EQ(q.z, z);
            ASSERT_EQ(q.x, p.x);
            EXPECT_NEAR(p.x, (col - cx) * z / fx, 1e-3 + std::abs(p.x) * 1e-6);
            EXPECT_NEAR(p.y, (row - cy) * z / fy, 1e-3 + std::abs(p.y) * 1e-6);
            if (z > 0) {
                ++measured;
                if (q.b != 0 || q.g != 0 || q.r != 0) ++coloured;
            }
        }
    }
    EXPECT_GT(measured, depth.width() * depth.height() / 49 / 2);
    EXPECT_GT(coloured, measured / 2);  // the 2D camera sees most of what the depth camera sees

    // The colour image as its own texture mask: every measured point the 2D camera sees is kept.
    Frame<ElementPointXYZBGR> masked;
    ASSERT_EQ(QuorixDevice::getCloudFromTextureMask(depth, color, intri, masked).code, Success);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(masked.width()) * masked.height(); i += 13)
        kept += masked[i].z != 0 ? 1 : 0;
    EXPECT_GT(kept, 0u);
}

INSTANTIATE_TEST_SUITE_P(Models, VirtualCameraCaptures, testing::Values(13, 8, 10));
