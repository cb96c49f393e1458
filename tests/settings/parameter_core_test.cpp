// The shared pieces under every setting: range check and its message, the request bytes of each value
// kind, and how a read value becomes the getter's output.

#include <gtest/gtest.h>

#include <cmath>

#include "camera_store.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace {

using namespace norvik::api;
using norvik::settings::IntRange;
using norvik::settings::rangeErrorMessage;
using norvik::settings::RealRange;
using settings_test::CameraStore;
namespace p = norvik::protocol::parameter;

TEST(RangeMessage, IntegersPlainAndRealsFixedWithSixDecimals) {
    EXPECT_EQ(
        rangeErrorMessage("FringeContrastThreshold", IntRange{1, 100}),
        "The valid FringeContrastThreshold parameter range is from 1 to 100.Please check the input value.");
    EXPECT_EQ(
        rangeErrorMessage("LaserFrameOffset", IntRange{-37, 1000000}),
        "The valid LaserFrameOffset parameter range is from -37 to 1000000.Please check the input value.");
    EXPECT_EQ(
        rangeErrorMessage("Scan2DExposureTime", RealRange{0.1, 999}),
        "The valid Scan2DExposureTime parameter range is from 0.100000 to 999.000000.Please check the input "
        "value.");
    EXPECT_EQ(
        rangeErrorMessage("x", RealRange{1e-7, 1e20}),
        "The valid x parameter range is from 0.000000 to 100000000000000000000.000000.Please check the input "
        "value.");
}

TEST(RangeCheck, NaNIsRefusedAndNotSent) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    const double nan = std::nan("");
    EXPECT_EQ(
        device.setScan2DExposureTime(nan).message,
        "The valid Scan2DExposureTime parameter range is from 0.100000 to 999.000000.Please check the input "
        "value.");
    EXPECT_EQ(device.setScan3DGain(nan).code, WriteError);
    EXPECT_EQ(device.setScan2DSharpenFactor(nan).code, WriteError);
    EXPECT_EQ(device.setScan3DExposure({nan}).code, WriteError);
    std::vector<double> hdr{10, nan};
    EXPECT_EQ(device.setScan2DHDRExposureSequence(hdr).code, WriteError);
    EXPECT_TRUE(store.camera.requests().empty());
}

TEST(RequestBytes, OneSetPerValueKind) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    ASSERT_TRUE(device.setScan2DExpectedGrayValue(128).isOk());
    ASSERT_TRUE(device.setScan3DGain(2.5).isOk());
    ASSERT_TRUE(device.setScan2DToneMappingEnable(true).isOk());
    std::vector<double> hdr{10, 20.5, 40};
    ASSERT_TRUE(device.setScan2DHDRExposureSequence(hdr).isOk());
    ASSERT_TRUE(device.setScan3DExposure({5}).isOk());
    ASSERT_TRUE(device.setScan2DROI({0, 0, 1920, 1200}).isOk());
    ASSERT_TRUE(device.setCloudSmoothMode(PointCloudProcessingSettings::CloudSmoothMode::Strong).isOk());
    const std::vector<std::string> expected = {
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan2DExpectedGrayValue\",\"property_value\":128}"
        "\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan3DGain\",\"property_value\":2.5}\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan2DToneMappingEnable\",\"property_value\":true}"
        "\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan2DHDRExposureSequence\",\"property_value\":"
        "\"10ms,20.5ms,40ms\"}\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan3DExposureCount\",\"property_value\":1}\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan3DExposureTime\",\"property_value\":5.0}\n",
        "{\"cmd\":\"GetImageFormat\"}\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"Scan2DROI\",\"property_value\":"
        "{\"Height\":1200,\"Width\":1920,\"X\":0,\"Y\":0}}\n",
        "{\"cmd\":\"SetCameraParams\",\"property_name\":\"CloudSmoothMode\",\"property_value\":3}\n",
    };
    EXPECT_EQ(store.camera.requests(), expected);
}

TEST(RequestBytes, ReadCarriesOnlyTheName) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    double gain = 0;
    device.getScan3DGain(gain);
    EXPECT_EQ(store.camera.requests(),
              std::vector<std::string>{"{\"cmd\":\"GetCameraParams\",\"property_name\":\"Scan3DGain\"}\n"});
}

TEST(TypedRead, MissingValueReadsAsZero) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    int gray = 7;
    double gain = 7;
    bool tone = true;
    EXPECT_TRUE(device.getScan2DExpectedGrayValue(gray).isOk());
    EXPECT_TRUE(device.getScan3DGain(gain).isOk());
    EXPECT_TRUE(device.getScan2DToneMappingEnable(tone).isOk());
    EXPECT_EQ(gray, 0);
    EXPECT_EQ(gain, 0.0);
    EXPECT_FALSE(tone);
}

TEST(TypedRead, UnconvertibleValueIsAReadErrorWithTheFailureDefault) {
    CameraStore store(13);
    QuorixDevice device;
    store.connect(device);
    store.put(p::Scan3DGain, "high");
    store.put(p::Scan2DExpectedGrayValue, Json::Value(Json::Int64{3000000000}));
    store.put(p::Scan2DToneMappingEnable, Json::Value(Json::arrayValue));
    store.put(p::ProjectorPowerLevel, Json::Value(Json::Int64{-3000000000}));
    double gain = 7;
    int gray = 7;
    bool tone = true;
    auto level = ProjectorSettings::PowerLevel::Low;
    const ErrorStatus g = device.getScan3DGain(gain);
    EXPECT_EQ(g.code, ReadError);
    EXPECT_EQ(g.message, "Malformed reply: the value of Scan3DGain is not a number.");
    EXPECT_EQ(gain, 0.0);
    const ErrorStatus v = device.getScan2DExpectedGrayValue(gray);
    EXPECT_EQ(v.code, ReadError);
    EXPECT_EQ(v.message, "Malformed reply: the value of Scan2DExpectedGrayValue is not a 32-bit integer.");
    EXPECT_EQ(gray, 0);
    EXPECT_EQ(device.getScan2DToneMappingEnable(tone).code, ReadError);
    EXPECT_FALSE(tone);
    // A gated projector getter keeps its output on any failed read.
    EXPECT_EQ(device.getProjectorPowerLevel(level).code, ReadError);
    EXPECT_EQ(level, ProjectorSettings::PowerLevel::Low);
}

TEST(TypedRead, ReplyThatIsNotAnObjectIsAReadError) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    store.camera.queue("GetCameraParams", quorix_test::ScriptedCamera::json(Json::Value(Json::arrayValue)));
    int threshold = 4;
    EXPECT_EQ(device.getFringeMinThreshold(threshold).code, ReadError);
    EXPECT_EQ(threshold, 0);
}

}  // namespace
