// The rendered scene against the calibration the library reads: these pin the pose and quaternion
// conventions of the virtual camera to those of the library.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "camera_client.h"
#include "quorix/QuorixDevice.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using norvik::api::DeviceIntri;
using norvik::api::QuorixDevice;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace param = norvik::protocol::parameter;
using Type = norvik::protocol::ImageType;

struct Point {
    double x, y, z;
};

Point backProject(const DeviceIntri& intri, const Capture& depth, int col, int row) {
    const double* k = intri.intrinsic3DCamera.intrinsic;
    const double z = depth.depthAt(col, row);
    return {(col - k[2]) * z / k[0], (row - k[3]) * z / k[1], z};
}

// Chromaticity: each channel's share of the sum, so that shading does not matter.
std::array<double, 3> chroma(const unsigned char* bgr) {
    const double sum = std::max(1.0, double(bgr[0]) + bgr[1] + bgr[2]);
    return {bgr[0] / sum, bgr[1] / sum, bgr[2] / sum};
}

class GeometryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        Options options;
        options.modelCode = GetParam();
        camera = std::make_unique<VirtualCamera>(options);
        ASSERT_TRUE(camera->start());
        client = std::make_unique<CameraClient>(camera->port());
        ASSERT_TRUE(device.connect("127.0.0.1", camera->port(), 5000).isOk());
        ASSERT_TRUE(device.getDeviceIntri(intri).isOk());
    }

    // Share of the ground pixels whose back-projected point lies within 1 mm of the ground plane.
    void expectGroundOnPlane() {
        const auto depth = client->capture(Type::Depth);
        ASSERT_TRUE(depth);
        const auto plane = camera->groundPlaneInDepthFrame();
        int tested = 0;
        double worst = 0;
        for (int r = 0; r < depth->rows; r += 5)
            for (int c = 0; c < depth->cols; c += 5) {
                if (depth->depthAt(c, r) == 0 || camera->probeDepthPixel(c, r).name != "ground") continue;
                const Point p = backProject(intri, *depth, c, r);
                worst =
                    std::max(worst, std::abs(plane[0] * p.x + plane[1] * p.y + plane[2] * p.z - plane[3]));
                ++tested;
            }
        EXPECT_GT(tested, depth->rows * depth->cols / 25 / 2);
        EXPECT_LT(worst, 1.0);
    }

    std::unique_ptr<VirtualCamera> camera;
    std::unique_ptr<CameraClient> client;
    QuorixDevice device;
    DeviceIntri intri;
};

TEST_P(GeometryTest, GroundDepthBackProjectsOntoTheGroundPlane) { expectGroundOnPlane(); }

TEST_P(GeometryTest, DepthPointsLandOnTheirObjectsColourInThe2DImage) {
    const auto depth = client->capture(Type::Depth);
    const auto colour = client->capture(Type::Color);
    ASSERT_TRUE(depth && colour);
    const double* k2 = intri.intrinsic2DCamera.intrinsic;
    int tested = 0, matched = 0;
    for (int r = 0; r < depth->rows; r += 4)
        for (int c = 0; c < depth->cols; c += 4) {
            if (depth->depthAt(c, r) == 0) continue;
            const auto probe = camera->probeDepthPixel(c, r);
            if (probe.name == "ground") continue;
            // Interior pixels only: near an object's outline the two cameras see different things.
            bool interior = true;
            for (auto [dc, dr] : {std::pair{6, 0}, {-6, 0}, {0, 6}, {0, -6}})
                interior = interior && camera->probeDepthPixel(c + dc, r + dr).name == probe.name;
            if (!interior) continue;

            const Point p = backProject(intri, *depth, c, r);
            const double(&R)[3][3] = intri.rotation;
            const double* t = intri.translation;
            const double x = R[0][0] * p.x + R[0][1] * p.y + R[0][2] * p.z + t[0];
            const double y = R[1][0] * p.x + R[1][1] * p.y + R[1][2] * p.z + t[1];
            const double z = R[2][0] * p.x + R[2][1] * p.y + R[2][2] * p.z + t[2];
            const long u = std::lround(k2[0] * x / z + k2[2]), v = std::lround(k2[1] * y / z + k2[3]);
            if (u < 0 || v < 0 || u >= colour->cols || v >= colour->rows) continue;
            ++tested;
            const auto seen = chroma(colour->pixel(static_cast<int>(u), static_cast<int>(v)));
            const auto expected = chroma(probe.bgr.data());
            double distance = 0;
            for (int i = 0; i < 3; ++i) distance = std::max(distance, std::abs(seen[i] - expected[i]));
            if (distance < 0.06) ++matched;
        }
    ASSERT_GT(tested, 500);
    // All of them with the right conventions; a reversed translation alone already misses about one in ten.
    EXPECT_GT(matched, tested * 99 / 100) << matched << " of " << tested;
}

// VEX M: one sensor size for both images; VELA: a larger 2D image than depth image.
INSTANTIATE_TEST_SUITE_P(Models, GeometryTest, ::testing::Values(13, 8));

TEST(VelaCalibration, FollowsTheCaptureModeWhenAsked) {
    Options options;
    options.modelCode = 8;
    options.colorSize = {640, 400};
    options.depthSize = {512, 400};
    options.faults.velaCalibrationFollowsMode = true;
    VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    QuorixDevice device;
    ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), 5000).isOk());
    DeviceIntri standard, high;
    ASSERT_TRUE(device.getDeviceIntri(standard).isOk());
    ASSERT_EQ(errorOf(client.setParam(param::VelaCaptureMode, 1)), "");
    ASSERT_TRUE(device.getDeviceIntri(high).isOk());
    EXPECT_GT(std::abs(high.intrinsic3DCamera.intrinsic[0] - standard.intrinsic3DCamera.intrinsic[0]), 1.0);

    // The depth map follows the new calibration: the ground still back-projects onto its plane with it.
    const auto depth = client.capture(Type::Depth);
    ASSERT_TRUE(depth);
    const auto plane = camera.groundPlaneInDepthFrame();
    double worstNew = 0, worstOld = 0;
    for (int r = 0; r < depth->rows; r += 7)
        for (int c = 0; c < depth->cols; c += 7) {
            if (depth->depthAt(c, r) == 0 || camera.probeDepthPixel(c, r).name != "ground") continue;
            for (auto [intri, worst] : {std::pair{&high, &worstNew}, {&standard, &worstOld}}) {
                const Point p = backProject(*intri, *depth, c, r);
                *worst =
                    std::max(*worst, std::abs(plane[0] * p.x + plane[1] * p.y + plane[2] * p.z - plane[3]));
            }
        }
    EXPECT_LT(worstNew, 1.0);
    EXPECT_GT(worstOld, 5.0);

    // Without the fault the calibration stays put.
    camera.setVelaCalibrationFollowsMode(false);
    DeviceIntri fixed;
    ASSERT_TRUE(device.getDeviceIntri(fixed).isOk());
    EXPECT_EQ(fixed.intrinsic3DCamera.intrinsic[0], standard.intrinsic3DCamera.intrinsic[0]);
}

}  // namespace
