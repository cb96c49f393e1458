#include <gtest/gtest.h>

#include "device/device_impl.h"
#include "device/intrinsics.h"
#include "support/device_fixture.h"

using namespace norvik::api;
using quorix_test::ScriptedCamera;

namespace {

Json::Value calibrationWithPose(std::vector<double> pose) {
    Json::Value body;
    body["camera_intri"] = ScriptedCamera::calibration();
    body["camera_intri"]["intrinsic_cam3d_in_cam2d"] = Json::arrayValue;
    for (double v : pose) body["camera_intri"]["intrinsic_cam3d_in_cam2d"].append(v);
    return body;
}

void expectRows(const DeviceIntri& intri, const std::vector<std::vector<double>>& rows) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(intri.rotation[i][j], rows[i][j]) << i << "," << j;
}

}  // namespace

TEST(PoseFromWire, QuaternionAndMillimetres) {
    DeviceIntri intri;
    norvik::device::parseDeviceIntri(calibrationWithPose({0.1, 0, 0, 1, 0, 0, 0}), intri);
    EXPECT_DOUBLE_EQ(intri.translation[0], 100.0);
    expectRows(intri, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    norvik::device::parseDeviceIntri(calibrationWithPose({0, 0.02, -0.03, 0, 1, 0, 0}), intri);
    EXPECT_DOUBLE_EQ(intri.translation[1], 20.0);
    EXPECT_DOUBLE_EQ(intri.translation[2], -30.0);
    expectRows(intri, {{1, 0, 0}, {0, -1, 0}, {0, 0, -1}});
    // Used as received: an unnormalised quaternion is not corrected.
    norvik::device::parseDeviceIntri(calibrationWithPose({0, 0, 0, 0, 2, 0, 0}), intri);
    expectRows(intri, {{1, 0, 0}, {0, -7, 0}, {0, 0, -7}});
}

class CalibrationReads : public quorix_test::ConnectedDevice {
protected:
    void SetUp() override { connectAs(13); }
};

TEST_F(CalibrationReads, MalformedShapesKeepWhatWasConvertedBeforeTheFault) {
    Json::Value shortPose = calibrationWithPose({0.1, 0, 0, 1, 0, 0});
    Json::Value short2D = calibrationWithPose({0, 0, 0, 1, 0, 0, 0});
    short2D["camera_intri"]["intrinsic_2d_camera"]["intrinsic"].resize(3);
    camera.queue("GetGroupIntri", ScriptedCamera::json(shortPose));
    camera.queue("GetGroupIntri", ScriptedCamera::json(short2D));

    DeviceIntri out;
    auto status = device.getDeviceIntri(out);
    EXPECT_EQ(status.code, InvalidDevice);
    EXPECT_EQ(status.message, "Invalid device intrinsic parameters.");
    EXPECT_EQ(out.intrinsic3DCamera.intrinsic[0], 1000.0);
    EXPECT_EQ(out.intrinsic2DCamera.intrinsic[0], 1500.0);
    EXPECT_EQ(out.translation[0], 0.0);

    DeviceIntri second;
    status = device.getDeviceIntri(second);
    EXPECT_EQ(status.message, "Invalid device intrinsic parameters.");
    EXPECT_EQ(second.intrinsic3DCamera.intrinsic[0], 1000.0);
    EXPECT_EQ(second.intrinsic2DCamera.intrinsic[0], 0.0);
}

TEST_F(CalibrationReads, FailuresNeverTouchTheCache) {
    QuorixDeviceImpl impl;
    ASSERT_EQ(impl.connect(ScriptedCamera::address(), camera.port(), quorix_test::kTestTimeoutMs).code,
              Success);
    Json::Value textElement = calibrationWithPose({0.1, 0, 0, 1, 0, 0, 0});
    textElement["camera_intri"]["intrinsic_3d_camera"]["intrinsic"][1] = "1001";
    camera.queue("GetGroupIntri", ScriptedCamera::json(textElement));
    camera.queue("GetGroupIntri", ScriptedCamera::json(calibrationWithPose({0.1, 0, 0})));
    camera.queue("GetGroupIntri", ScriptedCamera::error("no calibration"));
    camera.queue("GetGroupIntri", ScriptedCamera::raw(""));
    const int expected[] = {ReadError, InvalidDevice, ReadError, ReadError};
    for (int code : expected) {
        DeviceIntri out;
        out.translation[2] = 99;
        EXPECT_EQ(impl.fetchDeviceIntri(out).code, code);
        if (code == ReadError) {
            EXPECT_EQ(out.translation[2], 0.0);  // the failure state: the default record
        }
        EXPECT_EQ(impl.cachedIntri().translation[0], 50.0);
        EXPECT_EQ(impl.cachedIntri().intrinsic3DCamera.intrinsic[1], 1001.0);
    }
}

TEST_F(CalibrationReads, AVelaRefreshReplacesTheCacheOnlyOnSuccess) {
    QuorixDeviceImpl impl;
    camera.serveIdentity(8);
    ASSERT_EQ(impl.connect(ScriptedCamera::address(), camera.port(), quorix_test::kTestTimeoutMs).code,
              Success);
    camera.queue("GetGroupIntri", ScriptedCamera::error("mode change"));
    DeviceIntri out;
    EXPECT_EQ(impl.intrinsicsForCloud(out).code, ReadError);
    EXPECT_EQ(impl.cachedIntri().intrinsic3DCamera.intrinsic[0], 1000.0);
    camera.queue("GetGroupIntri", ScriptedCamera::json(calibrationWithPose({0.2, 0, 0, 1, 0, 0, 0})));
    EXPECT_EQ(impl.intrinsicsForCloud(out).code, Success);
    EXPECT_EQ(impl.cachedIntri().translation[0], 200.0);
}

TEST_F(CalibrationReads, ImageSizesAreReadOrRefusedWithFourZeros) {
    DeviceResolution resolution;
    ASSERT_EQ(device.getDeviceResolution(resolution).code, Success);
    EXPECT_EQ(resolution.image2DWidth, 1920u);
    EXPECT_EQ(resolution.image2DHeight, 1200u);
    EXPECT_EQ(resolution.image3DWidth, 1280u);
    EXPECT_EQ(resolution.image3DHeight, 1024u);

    for (const char* bad : {R"({"image_format":{"imageSize2D":[1920,1200]}})",
                            R"({"image_format":{"imageSize2D":[1920],"imageSize3D":[1280,1024]}})",
                            R"({"image_format":{"imageSize2D":[1920,-1],"imageSize3D":[1280,1024]}})",
                            R"({"image_format":{"imageSize2D":[1920,"1200"],"imageSize3D":[1280,1024]}})",
                            R"({"image_format":{"imageSize2D":[1920.5,1200],"imageSize3D":[1280,1024]}})",
                            R"({"image_format":5})", R"({})"}) {
        Json::Value body;
        Json::Reader().parse(bad, body);
        camera.queue("GetImageFormat", ScriptedCamera::json(body));
        DeviceResolution out{1, 2, 3, 4};
        const auto status = device.getDeviceResolution(out);
        EXPECT_EQ(status.code, ReadError) << bad;
        EXPECT_FALSE(status.message.empty());
        EXPECT_EQ(out.image2DWidth + out.image2DHeight + out.image3DWidth + out.image3DHeight, 0u) << bad;
    }
}
