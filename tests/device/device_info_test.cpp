#include <gtest/gtest.h>

#include <thread>

#include "device/device_impl.h"
#include "device/device_info.h"
#include "support/device_fixture.h"
#include "transport/framing.h"

using namespace norvik::api;
using norvik::device::parseDeviceInfo;
using quorix_test::ScriptedCamera;

namespace {

Json::Value object(const std::string& text) {
    Json::Value value;
    Json::Reader().parse(text, value);
    return value;
}

}  // namespace

TEST(ParseDeviceInfo, ReadsEveryField) {
    QuorixDeviceInfo info;
    std::string error;
    ASSERT_TRUE(parseDeviceInfo(object(R"({"quorixId":"A1","model":2,"camVersion":"1.0","version":"2.1.0",
                                          "ipAddress":"10.0.0.5","port":65535})"),
                                info, error));
    EXPECT_EQ(info.model, "Quorix ZIKA");
    EXPECT_EQ(info.id, "A1");
    EXPECT_EQ(info.hardwareVersion, "1.0");
    EXPECT_EQ(info.firmwareVersion, "2.1.0");
    EXPECT_EQ(info.ipAddress, "10.0.0.5");
    EXPECT_EQ(info.port, 65535);
    ASSERT_TRUE(parseDeviceInfo(object(R"({"quorixId":"B","model":42,"camVersion":3})"), info, error));
    EXPECT_EQ(info.model, "Quorix ");
    EXPECT_EQ(info.hardwareVersion, "3");
    ASSERT_TRUE(parseDeviceInfo(object(R"({"quorixId":"C"})"), info, error));
    EXPECT_EQ(info.model, "Quorix Tav M");  // a missing model reads as code 0
}

TEST(ParseDeviceInfo, VirtualOrEmptyGivesTheEmptyRecord) {
    QuorixDeviceInfo info;
    info.id = "old";
    std::string error;
    for (const char* text : {R"({"isVirtual":true,"quorixId":"V","model":2})", "{}", "[]", "null"}) {
        info.id = "old";
        ASSERT_TRUE(parseDeviceInfo(object(text), info, error)) << text;
        EXPECT_EQ(info.id, "") << text;
        EXPECT_EQ(info.port, 0) << text;
    }
}

TEST(ParseDeviceInfo, UnconvertibleMembersAndPortsOutOfRangeAreReportedNotThrown) {
    std::string error;
    for (const char* text :
         {R"({"model":"2"})", R"({"quorixId":{}})", R"({"port":"5577"})", R"({"isVirtual":"yes"})", "5",
          R"("text")", "[1]", R"({"port":70000})", R"({"port":-1})"}) {
        QuorixDeviceInfo info;
        info.id = "kept";
        error.clear();
        EXPECT_FALSE(parseDeviceInfo(object(text), info, error)) << text;
        EXPECT_EQ(info.id, "kept") << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

class DeviceInfoReads : public quorix_test::ConnectedDevice {};

TEST_F(DeviceInfoReads, AnEmptyAddressIsTheOneConnectWasGiven) {
    connectAs(13);
    camera.on("GetCameraInfo", [](const Json::Value&) {
        Json::Value body;
        body["camera_info"] = ScriptedCamera::identity(13, "2.1.0");
        body["camera_info"]["ipAddress"] = "";
        return ScriptedCamera::json(body);
    });
    QuorixDeviceInfo info;
    ASSERT_EQ(device.getDeviceInfo(info).code, Success);
    EXPECT_EQ(info.ipAddress, "127.0.0.1");
    EXPECT_EQ(info.model, "Quorix VEX M");
    EXPECT_EQ(camera.requests(), std::vector<std::string>{"{\"cmd\":\"GetCameraInfo\"}\n"});
}

TEST_F(DeviceInfoReads, AVirtualCameraIsEmptyAndRefusedByConnect) {
    camera.on("GetCameraInfo", [](const Json::Value&) {
        Json::Value body;
        body["camera_info"] = ScriptedCamera::identity(13, "2.1.0");
        body["camera_info"]["isVirtual"] = true;
        return ScriptedCamera::json(body);
    });
    camera.on("GetGroupIntri", [](const Json::Value&) {
        Json::Value body;
        body["camera_intri"] = ScriptedCamera::calibration();
        return ScriptedCamera::json(body);
    });
    // The empty record has no firmware version, which is below every minimum.
    EXPECT_EQ(device.connect(ScriptedCamera::address(), camera.port(), quorix_test::kTestTimeoutMs).code,
              UnsupportedFirmware);
}

TEST_F(DeviceInfoReads, FailuresEmptyTheRecordAndKeepTheCache) {
    connectAs(8);
    camera.queue("GetCameraInfo", ScriptedCamera::error("busy"));
    camera.queue("GetCameraInfo", ScriptedCamera::json(object(R"({"camera_info":{"model":"8"}})")));
    camera.queue("GetCameraInfo", ScriptedCamera::json(object(R"({"camera_info":5})")));
    camera.queue("GetCameraInfo", ScriptedCamera::json(object("[1,2]")));
    camera.queue("GetCameraInfo", ScriptedCamera::raw(norvik::protocol::frameReply(
                                      "{\"camera_info\":" + std::string(1 << 20, '[') + "]}")));
    const std::pair<int, const char*> expected[] = {{ReadError, "busy"},
                                                    {ReadError, nullptr},
                                                    {ReadError, nullptr},
                                                    {ReadError, nullptr},
                                                    {ReadError, nullptr}};
    for (const auto& [code, message] : expected) {
        QuorixDeviceInfo info;
        info.id = "stale";
        const auto status = device.getDeviceInfo(info);
        EXPECT_EQ(status.code, code);
        if (message != nullptr) {
            EXPECT_EQ(status.message, message);
        } else {
            EXPECT_FALSE(status.message.empty());
        }
        EXPECT_EQ(info.id, "");
    }
    // The cached model still admits the VELA-only settings.
    QuorixDeviceInfo info;
    ASSERT_EQ(device.getDeviceInfo(info).code, Success);
    EXPECT_EQ(info.model, "Quorix VELA 120");
}

TEST_F(DeviceInfoReads, AReplyWithoutIdentityIsAnEmptySuccess) {
    connectAs(13);
    camera.queue("GetCameraInfo", ScriptedCamera::json(object("{}")));
    QuorixDeviceInfo info;
    ASSERT_EQ(device.getDeviceInfo(info).code, Success);
    EXPECT_EQ(info.model, "");
    EXPECT_EQ(info.id, "");
    EXPECT_EQ(info.ipAddress, "127.0.0.1");
}

TEST(DeviceCaches, AreSafeToReadWhileAnotherThreadRefreshesThem) {
    ScriptedCamera camera;
    camera.serveIdentity(8);
    QuorixDeviceImpl impl;
    ASSERT_EQ(impl.connect(ScriptedCamera::address(), camera.port(), quorix_test::kTestTimeoutMs).code,
              Success);
    std::thread refresher([&] {
        for (int i = 0; i < 100; ++i) {
            QuorixDeviceInfo info;
            DeviceIntri intri;
            impl.fetchDeviceInfo(info);
            impl.fetchDeviceIntri(intri);
        }
    });
    int admitted = 0;
    for (int i = 0; i < 2000; ++i) {
        admitted += impl.isVelaModel() ? 1 : 0;
        admitted += impl.cachedIntri().intrinsic3DCamera.intrinsic[0] == 1000.0 ? 1 : 0;
    }
    refresher.join();
    EXPECT_EQ(admitted, 4000);
}
