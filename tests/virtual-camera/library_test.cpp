// The library against the virtual camera: what the library can do today, and how it meets the faults.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "camera_client.h"
#include "quorix/QuorixDevice.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using norvik::api::DeviceIntri;
using norvik::api::DeviceResolution;
using norvik::api::QuorixDevice;
using norvik::api::QuorixDeviceInfo;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace cmd = norvik::protocol::command;

Options model(int code) {
    Options options;
    options.modelCode = code;
    options.colorSize = {320, 200};  // small images keep these tests quick
    options.depthSize = {256, 200};
    return options;
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(camera.start());
        ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), 1000).isOk());
    }
    VirtualCamera camera{model(8)};
    QuorixDevice device;
};

TEST_F(LibraryTest, ReadsIdentityCalibrationAndSizes) {
    QuorixDeviceInfo info;
    ASSERT_TRUE(device.getDeviceInfo(info).isOk());
    EXPECT_EQ(info.model, "Quorix VELA 120");
    EXPECT_EQ(info.id, camera.identifier());
    EXPECT_EQ(info.firmwareVersion, "2.1.0");
    EXPECT_EQ(info.hardwareVersion, "1.2");
    EXPECT_EQ(info.ipAddress, "127.0.0.1");
    EXPECT_EQ(info.port, camera.port());

    DeviceResolution resolution;
    ASSERT_TRUE(device.getDeviceResolution(resolution).isOk());
    EXPECT_EQ(resolution.image2DWidth, 320u);
    EXPECT_EQ(resolution.image2DHeight, 200u);
    EXPECT_EQ(resolution.image3DWidth, 256u);
    EXPECT_EQ(resolution.image3DHeight, 200u);

    DeviceIntri intri;
    ASSERT_TRUE(device.getDeviceIntri(intri).isOk());
    EXPECT_NEAR(intri.translation[0], -62.5, 1e-9);
    EXPECT_NEAR(intri.translation[1], 1.8, 1e-9);
    EXPECT_NEAR(intri.translation[2], 7.3, 1e-9);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += intri.rotation[i][k] * intri.rotation[j][k];
            EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-12);
        }
    EXPECT_GT(intri.intrinsic3DCamera.intrinsic[0], 100.0);
    EXPECT_GT(intri.intrinsic2DCamera.intrinsic[0], 100.0);
}

TEST(LibraryFaults, OldFirmwareIsRefusedAtConnect) {
    Options options = model(13);
    options.faults.oldFirmware = true;
    VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());
    QuorixDevice device;
    EXPECT_EQ(device.connect("127.0.0.1", camera.port(), 1000).code, norvik::api::UnsupportedFirmware);
    camera.setOldFirmware(false);
    EXPECT_TRUE(device.connect("127.0.0.1", camera.port(), 1000).isOk());
}

TEST_F(LibraryTest, AVirtualFlagEmptiesTheIdentity) {
    camera.setReportVirtual(true);
    QuorixDeviceInfo info;
    ASSERT_TRUE(device.getDeviceInfo(info).isOk());
    EXPECT_EQ(info.model, "");
    EXPECT_EQ(info.id, "");
}

TEST_F(LibraryTest, AFailingCommandReportsTheCamerasText) {
    camera.failCommand(cmd::GetImageFormat, "sensor busy");
    DeviceResolution resolution;
    const auto status = device.getDeviceResolution(resolution);
    EXPECT_EQ(status.code, norvik::api::ReadError);
    EXPECT_EQ(status.message, "sensor busy");
    QuorixDeviceInfo info;
    EXPECT_TRUE(device.getDeviceInfo(info).isOk());  // other commands are unaffected
    camera.clearCommandFailure();
    EXPECT_TRUE(device.getDeviceResolution(resolution).isOk());
}

TEST_F(LibraryTest, BrokenRepliesFailOneExchangeOnly) {
    struct Case {
        const char* name;
        void (VirtualCamera::*fault)(int);
    } cases[] = {{"silent", &VirtualCamera::staySilentFor},
                 {"truncated", &VirtualCamera::truncateNextReplies},
                 {"malformed", &VirtualCamera::malformNextReplies}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), 300).isOk());
        (camera.*c.fault)(1);
        DeviceIntri intri;
        EXPECT_FALSE(device.getDeviceIntri(intri).isOk());
        EXPECT_TRUE(device.getDeviceIntri(intri).isOk());
    }
}

TEST_F(LibraryTest, DelayedRepliesArriveLateOrTimeOut) {
    camera.setReplyDelay(150);
    QuorixDeviceInfo info;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(device.getDeviceInfo(info).isOk());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));

    ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), 1000).isOk());
    camera.setReplyDelay(600);
    ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), 100).code != norvik::api::Success);
    camera.setReplyDelay(0);
}

TEST(RawFaults, TruncatedAndMalformedRepliesKeepTheirFraming) {
    VirtualCamera camera(model(13));
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    Json::Value request;
    request[proto::member::Cmd] = cmd::CaptureImage;
    request[proto::member::ImageType] = static_cast<int>(proto::ImageType::Depth);
    const std::string whole = *client.exchange(compact(request));

    camera.truncateNextReplies(1);
    EXPECT_EQ(*client.exchange(compact(request)), whole.substr(0, whole.size() / 2));

    camera.malformNextReplies(1);
    const std::string malformed = *client.exchange(compact(request));
    EXPECT_TRUE(CameraClient::parseJson(malformed).isNull());
    // The image header and payload still follow the (broken) JSON text, where its length prefix says.
    auto tail = [](const std::string& reply) {
        int cursor = 0;
        return reply.substr(proto::kLengthPrefixBytes +
                            static_cast<std::size_t>(proto::readInt32BE(reply, cursor)));
    };
    EXPECT_EQ(tail(malformed), tail(whole));

    EXPECT_EQ(*client.exchange(compact(request)), whole);
}

TEST(Instances, CamerasAtSeveralLoopbackAddressesShareAPortNumber) {
    Options first = model(13), second = model(2);
    first.address = "127.0.0.2";
    VirtualCamera a(first);
    ASSERT_TRUE(a.start());
    second.address = "127.0.0.3";
    second.port = a.port();
    VirtualCamera b(second);
    ASSERT_TRUE(b.start());
    EXPECT_EQ(a.port(), b.port());
    EXPECT_NE(a.identifier(), b.identifier());

    QuorixDevice deviceA, deviceB;
    ASSERT_TRUE(deviceA.connect("127.0.0.2", a.port(), 1000).isOk());
    ASSERT_TRUE(deviceB.connect("127.0.0.3", b.port(), 1000).isOk());
    QuorixDeviceInfo infoA, infoB;
    ASSERT_TRUE(deviceA.getDeviceInfo(infoA).isOk());
    ASSERT_TRUE(deviceB.getDeviceInfo(infoB).isOk());
    EXPECT_EQ(infoA.model, "Quorix VEX M");
    EXPECT_EQ(infoB.model, "Quorix ZIKA");
    EXPECT_EQ(infoB.ipAddress, "127.0.0.3");
}

TEST(Instances, UnusableOptionsAreReported) {
    struct Case {
        Options options;
        const char* expected;
    } cases[] = {{[] {
                      Options o;
                      o.address = "localhost";
                      return o;
                  }(),
                  "address"},
                 {[] {
                      Options o;
                      o.depthSize = {100000, 10};
                      return o;
                  }(),
                  "image sizes"},
                 {[] {
                      Options o;
                      o.announce = true;
                      o.announcePeriodMs = 0;
                      return o;
                  }(),
                  "period"}};
    for (const auto& c : cases) {
        VirtualCamera camera(c.options);
        std::string error;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(camera.start(&error));
        ::testing::internal::GetCapturedStderr();
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_FALSE(camera.running());
    }
}

TEST(Instances, ABusyPortIsReported) {
    VirtualCamera a(model(13));
    ASSERT_TRUE(a.start());
    Options clash = model(13);
    clash.port = a.port();
    VirtualCamera b(clash);
    std::string error;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(b.start(&error));
    ::testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find(std::to_string(a.port())), std::string::npos) << error;
}

}  // namespace
