#include <gtest/gtest.h>

#include "device/connection.h"
#include "device/device_impl.h"
#include "support/device_fixture.h"
#include "support/scripted_camera.h"

using namespace norvik::api;
using norvik::device::isValidIpAddress;
using norvik::device::parseVersion;
using quorix_test::kTestTimeoutMs;
using quorix_test::ScriptedCamera;

namespace {
const std::string kNetworkMessage =
    "Failed to connect to the Quorix Industrial 3D Camera. Please check the network connection.";
const std::string kFirmwareMessage =
    "Failed to connect to the Quorix Industrial 3D Camera. Only camera with firmware above V2.0.2 is "
    "supported in "
    "this SDK. Please use Quorix Viewer to upgrade.";
const std::string kInvalidDevice = "Invalid device. Please use connect() to connect to a Quorix device.";
}  // namespace

TEST(AddressPattern, AcceptsDottedAddressesWithoutLeadingZeros) {
    for (const char* ok : {"192.168.1.10", "127.0.0.1", "1.0.0.1", "254.255.255.254", "10.20.30.40"})
        EXPECT_TRUE(isValidIpAddress(ok)) << ok;
    for (const char* bad : {"192.168.1.255", "0.1.2.3", "192.168.01.10", "256.1.1.1", " 192.168.1.10",
                            "192.168.1.10 ", "", "255.1.1.1", "1.2.3", "1.2.3.4.5", "1.2.3.0", "a.b.c.d"})
        EXPECT_FALSE(isValidIpAddress(bad)) << bad;
}

TEST(FirmwareVersion, ParsesThreeNumbersWithAnySeparator) {
    const auto v = parseVersion("2.1.7");
    EXPECT_EQ(v.major, 2u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(v.patch, 7u);
    EXPECT_EQ(parseVersion("2x1y0").minor, 1u);
    for (const char* bad : {"2.0", "V2.1.0", "2.1.0 ", "", "2.1.0.4"})
        EXPECT_EQ(parseVersion(bad).major, 0u) << bad;
}

// Texts of any length are answered without running a pattern over them (a long one overflowed its stack).
TEST(HostileTexts, MegabyteAddressesAndVersionsAreRefused) {
    const std::string digits(1 << 20, '1');
    EXPECT_FALSE(isValidIpAddress(digits));
    EXPECT_FALSE(isValidIpAddress("1.1.1." + digits));
    EXPECT_EQ(parseVersion(digits).major, 0u);
    EXPECT_EQ(parseVersion("2.1." + digits).major, 0u);

    ScriptedCamera camera;
    camera.serveIdentity(13, "2.1." + digits);
    QuorixDevice device;
    EXPECT_EQ(device.connect(ScriptedCamera::address(), camera.port(), kTestTimeoutMs).code,
              UnsupportedFirmware);
    const auto status = device.connect(digits, camera.port(), kTestTimeoutMs);
    EXPECT_EQ(status.message, "Failed to connect to the Quorix Industrial 3D Camera. IP Address is invalid.");
}

class FirmwareRule : public testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(FirmwareRule, AcceptsFromTwoZeroAndRefusesOlderWithTheChannelClosed) {
    const auto [firmware, accepted] = GetParam();
    ScriptedCamera camera;
    camera.serveIdentity(13, firmware);
    QuorixDevice device;
    const auto status = device.connect(ScriptedCamera::address(), camera.port(), kTestTimeoutMs);
    QuorixDeviceInfo info;
    if (accepted) {
        EXPECT_EQ(status.code, Success) << status.message;
        EXPECT_EQ(device.getDeviceInfo(info).code, Success);
    } else {
        EXPECT_EQ(status.code, UnsupportedFirmware);
        EXPECT_EQ(status.message, kFirmwareMessage);
        EXPECT_EQ(device.getDeviceInfo(info).message, kInvalidDevice);
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareRule,
                         testing::Values(std::make_pair("2.1.0", true), std::make_pair("3.0.0", true),
                                         std::make_pair("2.0.0", true), std::make_pair("2x1y0", true),
                                         std::make_pair("1.9.9", false), std::make_pair("2.0", false),
                                         std::make_pair("V2.1.0", false)));

// Each outcome of connect: its code, whether the device is connected afterwards, and what the caches hold.
class ConnectOutcomes : public testing::Test {
protected:
    void SetUp() override {
        old.serveIdentity(2, "2.1.0");  // ZIKA
        ASSERT_EQ(impl.connect(ScriptedCamera::address(), old.port(), kTestTimeoutMs).code, Success);
    }

    ScriptedCamera old;
    ScriptedCamera fresh;
    QuorixDeviceImpl impl;
};

TEST_F(ConnectOutcomes, RefusedAddressOrPortTouchesNothing) {
    const auto badAddress = impl.connect("192.168.1.255", fresh.port(), kTestTimeoutMs);
    EXPECT_EQ(badAddress.code, InvalidDevice);
    EXPECT_EQ(badAddress.message,
              "Failed to connect to the Quorix Industrial 3D Camera. IP Address is invalid.");
    for (int port : {70000, -1, 65536}) {
        const auto badPort = impl.connect(ScriptedCamera::address(), port, kTestTimeoutMs);
        EXPECT_EQ(badPort.code, InvalidDevice);
        EXPECT_EQ(badPort.message, "Failed to connect to the Quorix Industrial 3D Camera. Port is invalid.");
    }
    EXPECT_TRUE(impl.channel().isConnected());
    EXPECT_EQ(impl.channel().currentEndpoint(), "tcp://127.0.0.1:" + std::to_string(old.port()));
    EXPECT_TRUE(fresh.requests().empty());
    QuorixDeviceInfo info;
    EXPECT_EQ(impl.fetchDeviceInfo(info).code, Success);  // the old connection still works
}

TEST_F(ConnectOutcomes, FailedIdentityLeavesTheDeviceConnectedAndTheCachesAlone) {
    fresh.on("GetCameraInfo", [](const Json::Value&) { return ScriptedCamera::error("not ready"); });
    const auto status = impl.connect(ScriptedCamera::address(), fresh.port(), kTestTimeoutMs);
    EXPECT_EQ(status.code, InvalidDevice);
    EXPECT_EQ(status.message, kNetworkMessage);
    EXPECT_TRUE(impl.channel().isConnected());
    EXPECT_EQ(impl.cachedInfo().model, "Quorix ZIKA");
    EXPECT_EQ(impl.cachedIntri().intrinsic3DCamera.intrinsic[0], 1000.0);
}

TEST_F(ConnectOutcomes, FailedCalibrationKeepsTheNewIdentity) {
    fresh.serveIdentity(8, "2.1.0");
    fresh.on("GetGroupIntri", [](const Json::Value&) { return ScriptedCamera::error("calibration lost"); });
    const auto status = impl.connect(ScriptedCamera::address(), fresh.port(), kTestTimeoutMs);
    EXPECT_EQ(status.code, InvalidDevice);
    EXPECT_EQ(status.message, kNetworkMessage);
    EXPECT_TRUE(impl.channel().isConnected());
    EXPECT_EQ(impl.cachedInfo().model, "Quorix VELA 120");
    EXPECT_EQ(impl.cachedIntri().intrinsic3DCamera.intrinsic[0], 1000.0);  // from the old camera
}

TEST_F(ConnectOutcomes, OldFirmwareClosesTheChannelButCachesTheRefusedCamera) {
    fresh.serveIdentity(8, "1.9.9");
    const auto status = impl.connect(ScriptedCamera::address(), fresh.port(), kTestTimeoutMs);
    EXPECT_EQ(status.code, UnsupportedFirmware);
    EXPECT_FALSE(impl.channel().isConnected());
    EXPECT_EQ(impl.cachedInfo().model, "Quorix VELA 120");
    EXPECT_EQ(impl.cachedInfo().firmwareVersion, "1.9.9");
}

TEST_F(ConnectOutcomes, SilentCameraGivesTheNetworkMessageAndTheNextConnectWorks) {
    fresh.on("GetCameraInfo", [](const Json::Value&) { return quorix_test::Reply{"", 0, true}; });
    testing::internal::CaptureStdout();
    const auto status = impl.connect(ScriptedCamera::address(), fresh.port(), 200);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status.code, InvalidDevice);
    EXPECT_EQ(status.message, kNetworkMessage);
    EXPECT_EQ(printed, "Recv failed!tcp://127.0.0.1:" + std::to_string(fresh.port()) + "\n");
    EXPECT_TRUE(impl.channel().isConnected());
    EXPECT_EQ(impl.connect(ScriptedCamera::address(), old.port(), kTestTimeoutMs).code, Success);
}

TEST_F(ConnectOutcomes, SuccessReplacesBothCaches) {
    fresh.serveIdentity(104, "2.0.2");
    EXPECT_EQ(impl.connect(ScriptedCamera::address(), fresh.port(), kTestTimeoutMs).code, Success);
    EXPECT_EQ(impl.cachedInfo().model, "Quorix Orra L Enhanced");
    EXPECT_TRUE(impl.channel().isConnected());
}

TEST(Disconnect, IsHarmlessRepeatedAndKeepsTheCachedModel) {
    ScriptedCamera camera;
    camera.serveIdentity(8);
    QuorixDeviceImpl impl;
    impl.disconnect();  // never connected
    ASSERT_EQ(impl.connect(ScriptedCamera::address(), camera.port(), kTestTimeoutMs).code, Success);
    impl.disconnect();
    impl.disconnect();
    QuorixDeviceInfo info;
    info.id = "stale";
    const auto status = impl.fetchDeviceInfo(info);
    EXPECT_EQ(status.code, InvalidDevice);
    EXPECT_EQ(status.message, kInvalidDevice);
    EXPECT_EQ(info.id, "");
    EXPECT_TRUE(impl.isVelaModel());
}

TEST(NewDevice, AnswersEveryReadWithInvalidDeviceAndFailureStates) {
    QuorixDevice device;
    QuorixDeviceInfo info;
    info.model = "x";
    DeviceIntri intri;
    intri.translation[0] = 5;
    DeviceResolution resolution{1, 2, 3, 4};
    for (const auto& status :
         {device.getDeviceInfo(info), device.getDeviceIntri(intri), device.getDeviceResolution(resolution)}) {
        EXPECT_EQ(status.code, InvalidDevice);
        EXPECT_EQ(status.message, kInvalidDevice);
    }
    EXPECT_EQ(info.model, "");
    EXPECT_EQ(intri.translation[0], 0.0);
    EXPECT_EQ(intri.rotation[1][1], 1.0);
    EXPECT_EQ(resolution.image2DWidth + resolution.image2DHeight + resolution.image3DWidth +
                  resolution.image3DHeight,
              0u);
    device.disconnect();
}
