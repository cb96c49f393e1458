#include <gtest/gtest.h>

#include <thread>

#include "device/device_impl.h"
#include "imaging/captures.h"
#include "imaging/decode.h"
#include "imaging/point_cloud.h"
#include "imaging/projection.h"
#include "imaging_fixtures.h"

namespace {

using namespace imaging_test;
namespace cmd = norvik::protocol::command;
using norvik::imaging::computePointXYZ;
using norvik::imaging::computePointXYZBGR;

// ---- Through the device ----

const Json::Value kCalibration =
    calibrationReply({1000, 1001, 2, 1}, {1500, 1502, 3, 2}, {0.01, 0.0, 0.0, 1, 0, 0, 0});

TEST(PointCloudCapture, CapturesMatchTheDirectComputation) {
    ConnectedCamera cam(13, &kCalibration);
    std::mt19937 rng(3);
    const auto samples = randomSamples(rng, 4 * 6);
    const Frame<ElementColor> color = randomImage(rng, 8, 5);
    cam.queueCapture(captureReply(10.0, 4, 6, 0, depthPayload(samples)));
    cam.queueCapture(captureReply(0.0, 5, 8, kBgr, bgrPayload(color)));
    cam.queueCapture(captureReply(10.0, 4, 6, 0, depthPayload(samples)));
    Frame<ElementPointXYZ> points;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(cam.device.capturePointXYZMap(points).isOk());
    ASSERT_TRUE(cam.device.capturePointXYZBGRMap(colored).isOk());
    DeviceIntri in;
    ASSERT_TRUE(cam.device.getDeviceIntri(in).isOk());
    Frame<ElementPointXYZ> wantPoints;
    Frame<ElementPointXYZBGR> wantColored;
    computePointXYZ(depthHeader(4, 6, 10.0), depthPayload(samples), in.intrinsic3DCamera, wantPoints);
    computePointXYZBGR(color, depthHeader(4, 6, 10.0), depthPayload(samples), in, wantColored);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        expectPoint(points[i], wantPoints[i], std::to_string(i));
        expectColorPoint(colored[i], wantColored[i], std::to_string(i));
    }
    // No refresh on this model.
    EXPECT_EQ(cam.camera.commands(), (std::vector<std::string>{cmd::CaptureImage, cmd::CaptureImage,
                                                               cmd::CaptureImage, cmd::GetGroupIntri}));
}

TEST(PointCloudCapture, VelaReadsTheCalibrationAfterEachDepthCapture) {
    ConnectedCamera cam(8, &kCalibration);
    cam.queueCapture(captureReply(10.0, 1, 2, 0, depthPayload({33000, 34000})));
    cam.queueCapture(captureReply(0.0, 1, 2, kGray, "ab"));
    cam.queueCapture(captureReply(10.0, 1, 2, 0, depthPayload({33000, 34000})));
    Frame<ElementPointXYZ> points;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(cam.device.capturePointXYZMap(points).isOk());
    ASSERT_TRUE(cam.device.capturePointXYZBGRMap(colored).isOk());
    EXPECT_EQ(cam.camera.commands(),
              (std::vector<std::string>{cmd::CaptureImage, cmd::GetGroupIntri, cmd::CaptureImage,
                                        cmd::CaptureImage, cmd::GetGroupIntri}));
    const auto requests = cam.camera.requests();
    EXPECT_NE(requests[2].find("8194"), std::string::npos);  // colour first
    EXPECT_NE(requests[3].find("8193"), std::string::npos);
}

TEST(PointCloudCapture, FailedVelaRefreshFailsTheCaptureAndKeepsTheCalibration) {
    norvik::api::QuorixDeviceImpl impl;
    ScriptedCamera camera;
    camera.serveIdentity(8);
    ASSERT_TRUE(impl.connect(ScriptedCamera::address(), camera.port(), 3000).isOk());
    const DeviceIntri before = impl.cachedIntri();
    camera.queue(cmd::CaptureImage, captureReply(10.0, 1, 1, 0, depthPayload({33000})));
    camera.queue(cmd::GetGroupIntri, ScriptedCamera::error("calibration busy"));
    auto points = filledFrame<ElementPointXYZ>(1, 1, {1, 2, 3});
    const ErrorStatus status = impl.capturePointXYZMap(points);
    EXPECT_EQ(status.code, ReadError);
    EXPECT_EQ(status.message, "calibration busy");
    EXPECT_TRUE(points.empty());
    EXPECT_EQ(impl.cachedIntri().intrinsic3DCamera.intrinsic[0], before.intrinsic3DCamera.intrinsic[0]);
}

TEST(PointCloudCapture, RefusedComputationsFailAndReleaseTheFrame) {
    const Json::Value noFocal = calibrationReply({0, 1000, 2, 1}, {1500, 1502, 3, 2}, {0, 0, 0, 1, 0, 0, 0});
    ConnectedCamera zeroFx(13, &noFocal);
    zeroFx.queueCapture(captureReply(10.0, 1, 1, 0, depthPayload({33000})));
    auto points = filledFrame<ElementPointXYZ>(1, 1, {1, 2, 3});
    ErrorStatus status = zeroFx.device.capturePointXYZMap(points);
    EXPECT_EQ(status.code, InvalidIntrinsics);
    EXPECT_EQ(status.message, "The intrinsics parameters is invalid.");
    EXPECT_TRUE(points.empty());

    ConnectedCamera cam(13, &kCalibration);
    cam.queueCapture(captureReply(0.0, 1, 1, kGray, "a"));
    cam.queueCapture(captureReply(0.0, 1, 1, 0, depthPayload({33000})));
    auto colored = filledFrame<ElementPointXYZBGR>(1, 1, {1, 2, 3, 4, 5, 6});
    status = cam.device.capturePointXYZBGRMap(colored);
    EXPECT_EQ(status.code, CaptureError);
    EXPECT_FALSE(status.message.empty());
    EXPECT_TRUE(colored.empty());

    // A failed colour capture fails the whole coloured capture before the depth map is asked for.
    cam.camera.clearRequests();
    cam.queueCapture(ScriptedCamera::error("no light"));
    colored = filledFrame<ElementPointXYZBGR>(1, 1, {1, 2, 3, 4, 5, 6});
    status = cam.device.capturePointXYZBGRMap(colored);
    EXPECT_EQ(status.message, "no light");
    EXPECT_TRUE(colored.empty());
    EXPECT_EQ(cam.camera.commands().size(), 1u);
}

// Two threads capturing coloured clouds on one device: each cloud is coloured from one colour image only.
TEST(PointCloudCapture, ConcurrentColouredCapturesStayApart) {
    const Json::Value sameView = calibrationReply({500, 500, 2, 2}, {500, 500, 2, 2}, {0, 0, 0, 1, 0, 0, 0});
    ConnectedCamera cam(13, &sameView);
    const int side = 96;
    std::atomic<int> level{0};
    const Reply depth =
        captureReply(1.0, side, side, 0, depthPayload(std::vector<std::uint16_t>(side * side, 33000)));
    cam.camera.on(cmd::CaptureImage, [&](const Json::Value& request) {
        if (request["image_type"].asInt() == 8194)
            return captureReply(0.0, side, side, kGray, std::string(side * side, char(level++ % 250 + 1)));
        return depth;
    });
    std::atomic<int> failures{0};
    auto worker = [&] {
        Frame<ElementPointXYZBGR> cloud;
        for (int n = 0; n < 30; ++n) {
            if (!cam.device.capturePointXYZBGRMap(cloud).isOk()) {
                ++failures;
                continue;
            }
            for (std::size_t i = 0; i < std::size_t(side) * side; ++i) {
                if (cloud[i].g != cloud[0].g || cloud[i].g == 0) {
                    ++failures;
                    break;
                }
            }
        }
    };
    std::thread a(worker), b(worker);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
