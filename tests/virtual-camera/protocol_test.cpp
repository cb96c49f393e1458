// The command protocol of the virtual camera, spoken over raw ZeroMQ.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "camera_client.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace cmd = norvik::protocol::command;
namespace member = norvik::protocol::member;
namespace param = norvik::protocol::parameter;

Options withModel(int model) {
    Options options;
    options.modelCode = model;
    return options;
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(started); }
    VirtualCamera camera{withModel(13)};
    bool started = camera.start();  // before the client, which needs the port
    CameraClient client{camera.port()};
};

TEST_F(ProtocolTest, IdentityIsARealCameraWithSupportedFirmware) {
    const auto reply = client.exchange(compact([] {
        Json::Value r;
        r[member::Cmd] = cmd::GetCameraInfo;
        return r;
    }()));
    ASSERT_TRUE(reply);
    int cursor = 0;
    ASSERT_EQ(static_cast<std::size_t>(proto::readInt32BE(*reply, cursor)) + 4, reply->size());

    const Json::Value info = CameraClient::parseJson(*reply)[member::CameraInfo];
    EXPECT_EQ(info[member::QuorixId].asString(), camera.identifier());
    EXPECT_FALSE(info[member::QuorixId].asString().empty());
    EXPECT_EQ(info[member::Model].type(), Json::intValue);
    EXPECT_EQ(info[member::Model].asInt(), 13);
    EXPECT_EQ(info[member::Version].asString(), "2.1.0");
    EXPECT_EQ(info[member::IpAddress].asString(), "127.0.0.1");
    EXPECT_EQ(info[member::Port].asUInt(), camera.port());
    EXPECT_EQ(info[member::IsVirtual], Json::Value(false));
}

TEST(ProtocolSizes, ImageFormatFollowsTheModelClassAndOptions) {
    struct Case {
        Options options;
        int w2, h2, w3, h3;
    } cases[] = {{withModel(13), 1920, 1200, 1920, 1200},
                 {withModel(8), 1920, 1200, 1280, 1024},
                 {withModel(10), 1280, 1024, 1280, 1024},
                 {[] {
                      Options o;
                      o.colorSize = {640, 480};
                      o.depthSize = {320, 240};
                      return o;
                  }(),
                  640, 480, 320, 240}};
    for (const auto& c : cases) {
        VirtualCamera camera(c.options);
        ASSERT_TRUE(camera.start());
        CameraClient client(camera.port());
        const Json::Value format = client.command(cmd::GetImageFormat)[member::ImageFormat];
        EXPECT_EQ(format[member::ImageSize2D], [&] {
            Json::Value v;
            v.append(c.w2);
            v.append(c.h2);
            return v;
        }());
        EXPECT_EQ(format[member::ImageSize3D][0].asInt(), c.w3);
        EXPECT_EQ(format[member::ImageSize3D][1].asInt(), c.h3);
    }
}

struct ParameterCase {
    const char* name;
    std::vector<Json::Value> accepted;
    std::vector<Json::Value> refused;
    const char* wireText;  // how the camera writes the last accepted value back
};

std::vector<ParameterCase> parameterCases() {
    Json::Value sixTimes("1ms,2ms,3ms,4ms,5ms,6ms");
    Json::Value extraMember = roi(0, 0, 10, 10);
    extraMember["Depth"] = 1;
    Json::Value missingMember = roi(0, 0, 10, 10);
    missingMember.removeMember(member::RoiHeight);
    return {
        {param::Scan2DExposureMode, {0, 1, 2, 3}, {4, -1, "1", 1.5}, "3"},
        {param::Scan2DExposureTime, {0.1, 999, 20.5}, {0.09, 999.5, "20", true}, "20.5"},
        {param::Scan2DHDRExposureSequence,
         {"0.1ms", "10ms,20.5ms,40ms"},
         {"10,20", "10ms,", "", "1000ms", "-5ms", "1e2ms", sixTimes, 5},
         "\"10ms,20.5ms,40ms\""},
        {param::Scan2DExpectedGrayValue, {0, 255, 128}, {256, -1, 12.5}, "128"},
        {param::Scan2DToneMappingEnable, {false, true}, {1, "true"}, "true"},
        {param::Scan2DSharpenFactor, {0.0, 5.0}, {5.1, -0.1}, "5.0"},
        {param::Scan2DROI,
         {roi(0, 0, 1920, 1200), roi(100, 50, 200, 100)},
         {roi(0, 0, 1921, 1200), roi(1, 0, 1920, 1), roi(-1, 0, 5, 5), missingMember, extraMember,
          Json::Value(3)},
         "{\"Height\":100,\"Width\":200,\"X\":100,\"Y\":50}"},
        {param::Scan3DExposureCount, {Json::UInt(1), Json::UInt(3)}, {0, 4, 2.0, -1}, "3"},
        {param::Scan3DExposureTime, {0.1, 99.0}, {0.05, 99.5}, "99.0"},
        {param::Scan3DExposureTime2, {12.5}, {100}, "12.5"},
        {param::Scan3DExposureTime3, {99}, {0}, "99.0"},
        {param::Scan3DGain, {0.0, 16.0, 2.5}, {16.5, -1.0}, "2.5"},
        {param::Scan3DROI,
         {roi(0, 0, 1920, 1200), roi(10, 20, 30, 40)},
         {roi(0, 1, 1920, 1200)},
         "{\"Height\":40,\"Width\":30,\"X\":10,\"Y\":20}"},
        {param::DepthLowerLimit, {1, 4000, 500}, {0, 4001, 500.5}, "500"},
        {param::DepthUpperLimit, {1, 5000, 3000}, {0, 5001}, "3000"},
        {param::FringeContrastThreshold, {1, 100}, {0, 101}, "100"},
        {param::FringeMinThreshold, {1, 100}, {0, 101}, "100"},
        {param::CloudOutlierFilterMode, {0, 2}, {3, -1}, "2"},
        {param::CloudSmoothMode, {0, 3}, {4}, "3"},
        {param::ProjectorFringeCodingMode, {0, 1}, {2}, "1"},
        {param::ProjectorPowerLevel, {0, 2}, {3}, "2"},
        {param::AntiFlickerMode, {0, 2}, {3}, "2"},
        {param::LaserFrameAmplitude, {25, 100}, {24, 101}, "100"},
        {param::LaserFrameOffset, {-37, 37}, {-38, 38}, "37"},
        {param::LaserFramePartitionCount, {1, 4}, {0, 5}, "4"},
        {param::LaserPowerLevel, {20, 100}, {19, 101}, "100"},
        {param::LaserFringeCodingMode, {0, 1}, {2}, "1"},
        {param::VelaCaptureMode, {0, 1}, {2}, "1"},
        {param::FringeCodingMode, {0, 1}, {2}, "1"},
    };
}

TEST_F(ProtocolTest, EveryParameterHasACase) {
    std::set<std::string> covered;
    for (const auto& c : parameterCases()) covered.insert(c.name);
    for (const char* name : param::All) EXPECT_TRUE(covered.count(name)) << name;
}

TEST_F(ProtocolTest, EveryParameterRoundTripsInItsOwnTypeAndRefusesBadValues) {
    for (const auto& c : parameterCases()) {
        SCOPED_TRACE(c.name);
        const Json::Value initial = client.getParam(c.name);
        ASSERT_EQ(errorOf(initial), "");
        ASSERT_TRUE(initial.isMember(member::PropertyValue));

        for (const auto& value : c.accepted) {
            EXPECT_EQ(errorOf(client.setParam(c.name, value)), "") << value;
            const Json::Value read = client.getParam(c.name)[member::PropertyValue];
            if (value.isNumeric()) {
                EXPECT_DOUBLE_EQ(read.asDouble(), value.asDouble());
            } else {
                EXPECT_EQ(read, value);
            }
        }
        const Json::Value last = client.getParam(c.name)[member::PropertyValue];
        for (const auto& value : c.refused) {
            const std::string error = errorOf(client.setParam(c.name, value));
            EXPECT_NE(error, "") << "accepted " << value;
            EXPECT_NE(error.find(c.name), std::string::npos) << error;
            EXPECT_EQ(client.getParam(c.name)[member::PropertyValue], last) << "a refused value was kept";
        }
        // The camera's own JSON types: reals with a point, integers without, regions as objects.
        const auto raw = client.exchange(compact([&] {
            Json::Value r;
            r[member::Cmd] = cmd::GetCameraParams;
            r[member::PropertyName] = c.name;
            return r;
        }()));
        ASSERT_TRUE(raw);
        EXPECT_NE(raw->find(std::string("\"property_value\":") + c.wireText), std::string::npos) << *raw;
    }
}

TEST(ProtocolModels, FlashIsRefusedWhereTheModelLacksIt) {
    VirtualCamera laser(withModel(10));
    ASSERT_TRUE(laser.start());
    CameraClient client(laser.port());
    EXPECT_NE(errorOf(client.setParam(param::Scan2DExposureMode, 3)), "");
    EXPECT_EQ(errorOf(client.setParam(param::Scan2DExposureMode, 1)), "");
}

TEST(ProtocolModels, RegionsAreCheckedAgainstTheirOwnImage) {
    VirtualCamera vela(withModel(8));  // 1920 x 1200 colour, 1280 x 1024 depth
    ASSERT_TRUE(vela.start());
    CameraClient client(vela.port());
    EXPECT_EQ(errorOf(client.setParam(param::Scan2DROI, roi(0, 0, 1920, 1200))), "");
    EXPECT_NE(errorOf(client.setParam(param::Scan3DROI, roi(0, 0, 1920, 1200))), "");
    EXPECT_EQ(errorOf(client.setParam(param::Scan3DROI, roi(0, 0, 1280, 1024))), "");
    EXPECT_EQ(client.getParam(param::Scan3DROI)[member::PropertyValue], roi(0, 0, 1280, 1024));
}

TEST_F(ProtocolTest, BadRequestsGetClearErrors) {
    struct Case {
        std::string request;
        std::string expected;  // a part of the error text
    } cases[] = {
        {"{not json\n", "Malformed request"},
        {"[1,2]\n", "Malformed request"},
        {"{\"cmd\":\"GetCameraInfo\"} trailing\n", "Malformed request"},
        {"{}\n", "\"cmd\""},
        {"{\"cmd\":5}\n", "\"cmd\""},
        {"{\"cmd\":\"Reboot\"}\n", "Unknown command \"Reboot\""},
        {"{\"cmd\":\"GetCameraParams\"}\n", "\"property_name\""},
        {"{\"cmd\":\"GetCameraParams\",\"property_name\":\"Brightness\"}\n",
         "Unknown parameter \"Brightness\""},
        {"{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan3DGain\"}\n", "\"property_value\""},
        {"{\"cmd\":\"SetConfigGroup\",\"config_name\":7}\n", "\"config_name\""},
        {"{\"cmd\":\"SetCameraConfig\",\"camera_config\":null,\"persistent\":\"yes\"}\n", "\"persistent\""},
        {"{\"cmd\":\"CaptureImage\",\"image_type\":8195}\n", "Unsupported image type 8195"},
        {"{\"cmd\":\"CaptureImage\",\"image_type\":\"8193\"}\n", "\"image_type\""},
        {std::string(30000, '[') + "\n", "Malformed request"},
        {"{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan3DROI\",\"property_value\":" +
             std::string(30000, '['),
         "Malformed request"},
    };
    for (const auto& c : cases) {
        const auto reply = client.exchange(c.request);
        ASSERT_TRUE(reply) << c.request;
        const std::string error = errorOf(CameraClient::parseJson(*reply));
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.request << " -> " << error;
    }
    // The camera is still fine afterwards.
    EXPECT_EQ(errorOf(client.command(cmd::GetCameraInfo)), "");
}

TEST_F(ProtocolTest, CalibrationHasTheShapeTheLibraryReads) {
    const Json::Value intri = client.command(cmd::GetGroupIntri)[member::CameraIntri];
    for (const char* camera : {member::Intrinsic2DCamera, member::Intrinsic3DCamera}) {
        EXPECT_EQ(intri[camera][member::Intrinsic].size(), 4u);
        EXPECT_EQ(intri[camera][member::DistCoefficients].size(), 5u);
    }
    const Json::Value pose = intri[member::Cam3DInCam2D];
    ASSERT_EQ(pose.size(), 7u);
    // Metres: a baseline of tens of millimetres; a unit quaternion a few degrees from the identity.
    const double baseline =
        std::sqrt(pose[0].asDouble() * pose[0].asDouble() + pose[1].asDouble() * pose[1].asDouble() +
                  pose[2].asDouble() * pose[2].asDouble());
    EXPECT_GT(baseline, 0.01);
    EXPECT_LT(baseline, 0.1);
    double norm = 0;
    for (int i = 3; i < 7; ++i) norm += pose[i].asDouble() * pose[i].asDouble();
    EXPECT_NEAR(norm, 1.0, 1e-12);
    const double angleDeg = 2 * std::acos(pose[3].asDouble()) * 180 / 3.14159265358979;
    EXPECT_GT(angleDeg, 1.0);
    EXPECT_LT(angleDeg, 10.0);
}

}  // namespace
