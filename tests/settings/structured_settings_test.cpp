// Regions of interest, depth range, 3D exposure list and 2D HDR sequence, and how every setter that sends
// several requests behaves when one of them fails.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "camera_store.h"
#include "settings/hdr_sequence.h"
#include "transport/protocol_names.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;
using Keys = std::vector<std::string>;
namespace p = norvik::protocol::parameter;

class Structured : public ::testing::Test {
protected:
    void SetUp() override { store.connect(device); }
    CameraStore store{13};
    QuorixDevice device;
};

TEST_F(Structured, RegionMustFitItsOwnImage) {
    // The scripted camera's 2D image is 1920 x 1200, its depth image 1280 x 1024.
    EXPECT_TRUE(device.setScan2DROI({1000, 200, 920, 1000}).isOk());
    EXPECT_TRUE(device.setScan2DROI({5, 5, 0, 0}).isOk());
    const ErrorStatus wide = device.setScan2DROI({1000, 0, 921, 10});
    EXPECT_EQ(wide.code, WriteError);
    EXPECT_EQ(wide.message,
              "The maximum image size is width : 1920, height : 1200. Please check the input ROI value.");
    EXPECT_EQ(device.setScan2DROI({0, 1, 10, 1200}).message, wide.message);
    EXPECT_TRUE(device.setScan3DROI({0, 0, 1280, 1024}).isOk());
    EXPECT_EQ(device.setScan3DROI({0, 0, 1281, 10}).message,
              "The maximum image size is width : 1280, height : 1024. Please check the input roi value.");
    // An offset near the top of the range must not wrap around the sum and pass.
    EXPECT_EQ(device.setScan3DROI({0xFFFFFFFFu, 0, 2, 10}).code, WriteError);
    EXPECT_EQ(store.sets(), (Keys{p::Scan2DROI, p::Scan2DROI, p::Scan3DROI}));
}

TEST_F(Structured, RegionSetterReadsSizesFirst) {
    device.disconnect();
    const ErrorStatus s = device.setScan2DROI({0, 0, 99999, 99999});
    EXPECT_EQ(s.code, InvalidDevice);
    store.connect(device);
    store.camera.queue("GetImageFormat", quorix_test::ScriptedCamera::error("no format"));
    EXPECT_EQ(device.setScan3DROI({0, 0, 1, 1}).message, "no format");
    EXPECT_TRUE(store.sets().empty());
}

TEST_F(Structured, RegionReadsBackAndFailsToZero) {
    ASSERT_TRUE(device.setScan3DROI({10, 20, 300, 400}).isOk());
    ROI roi;
    ASSERT_TRUE(device.getScan3DROI(roi).isOk());
    EXPECT_EQ(std::vector<std::uint32_t>({roi.X, roi.Y, roi.Width, roi.Height}),
              std::vector<std::uint32_t>({10, 20, 300, 400}));
    Json::Value bad;
    bad["X"] = -1;
    store.put(p::Scan3DROI, bad);
    EXPECT_EQ(device.getScan3DROI(roi).code, ReadError);
    EXPECT_EQ(roi.Width, 0u);
    roi = {1, 2, 3, 4};
    store.failGet(p::Scan2DROI);
    EXPECT_EQ(device.getScan2DROI(roi).code, ReadError);
    EXPECT_EQ(std::vector<std::uint32_t>({roi.X, roi.Y, roi.Width, roi.Height}),
              std::vector<std::uint32_t>(4, 0));
}

TEST_F(Structured, DepthRange) {
    EXPECT_EQ(device.setDepthRange({300, 300}).message, "Invalid parameter input.");
    EXPECT_EQ(device.setDepthRange({400, 300}).code, WriteError);
    EXPECT_TRUE(store.sets().empty());
    ASSERT_TRUE(device.setDepthRange({1, 5000}).isOk());
    DepthRange range;
    ASSERT_TRUE(device.getDepthRange(range).isOk());
    EXPECT_EQ(range.depthLowerLimit, 1);
    EXPECT_EQ(range.depthUpperLimit, 5000);
    // Both limits are always read; a limit that fails fails the whole read.
    store.failGet(p::DepthLowerLimit);
    EXPECT_EQ(device.getDepthRange(range).code, ReadError);
    EXPECT_EQ(range.depthLowerLimit, 0);
    EXPECT_EQ(range.depthUpperLimit, 5000);
    EXPECT_EQ(store.gets(),
              (Keys{p::DepthLowerLimit, p::DepthUpperLimit, p::DepthLowerLimit, p::DepthUpperLimit}));
}

TEST_F(Structured, ExposureListSendsOnlyItsCount) {
    ASSERT_TRUE(device.setScan3DExposure({5, 7.5}).isOk());
    EXPECT_EQ(store.sets(), (Keys{p::Scan3DExposureCount, p::Scan3DExposureTime, p::Scan3DExposureTime2}));
    store.put(p::Scan3DExposureTime3, 9.0);
    std::vector<double> times{1, 2, 3, 4};
    ASSERT_TRUE(device.getScan3DExposure(times).isOk());
    EXPECT_EQ(times, (std::vector<double>{5, 7.5}));
    EXPECT_EQ(device.setScan3DExposure({5, 120}).message,
              "Exposure time error. The valid Scan3DExposureTime1 parameter range is from 0.100000 to "
              "99.000000.Please check the input value.");
}

TEST_F(Structured, ExposureCountTheListCannotHoldIsAReadError) {
    for (int count : {4, -1, 2000000000}) {
        store.put(p::Scan3DExposureCount, count);
        std::vector<double> times{1};
        const ErrorStatus s = device.getScan3DExposure(times);
        EXPECT_EQ(s.code, ReadError) << count;
        EXPECT_EQ(s.message, "Malformed reply: the camera reports " + std::to_string(count) +
                                 " 3D exposure times; at most 3 are possible.");
        EXPECT_TRUE(times.empty());
    }
    store.put(p::Scan3DExposureCount, 0);
    std::vector<double> times{1};
    EXPECT_TRUE(device.getScan3DExposure(times).isOk());
    EXPECT_TRUE(times.empty());
    // All four reads are made even when the first fail; a failed time within the count fails the read,
    // one beyond it does not matter.
    store.failGet(p::Scan3DExposureTime);
    store.put(p::Scan3DExposureCount, 1);
    store.camera.clearRequests();
    EXPECT_EQ(device.getScan3DExposure(times).code, ReadError);
    EXPECT_EQ(times, std::vector<double>{0.0});
    EXPECT_EQ(store.gets().size(), 4u);
}

TEST(HdrText, FourSignificantDigitsAndTheUnit) {
    using norvik::settings::hdrValueText;
    EXPECT_EQ(hdrValueText(10), "10ms");
    EXPECT_EQ(hdrValueText(20.5), "20.5ms");
    EXPECT_EQ(hdrValueText(123.456), "123.5ms");
    EXPECT_EQ(hdrValueText(0.1), "0.1ms");
    EXPECT_EQ(hdrValueText(999), "999ms");
    EXPECT_EQ(hdrValueText(0.123456), "0.1235ms");
}

TEST(HdrText, ReadBackByThePattern) {
    const auto parse = [](const std::string& text) {
        std::vector<double> values;
        EXPECT_TRUE(norvik::settings::parseHdrSequence(text, values)) << text;
        return values;
    };
    EXPECT_EQ(parse("10ms,20.5ms,40ms"), (std::vector<double>{10, 20.5, 40}));
    EXPECT_EQ(parse("12.ms"), std::vector<double>{12});
    EXPECT_EQ(parse("15,20ms"), std::vector<double>{20});
    EXPECT_EQ(parse("1.2.3ms x 7ms .5ms"), (std::vector<double>{2.3, 7, 5}));
    EXPECT_EQ(parse(std::string(100000, '1')).size(), 0u);
    std::vector<double> values;
    EXPECT_FALSE(norvik::settings::parseHdrSequence("5ms," + std::string(400, '9') + "ms", values));
}

TEST_F(Structured, HdrSequenceRoundTrip) {
    std::vector<double> written{10, 20.5, 40};
    ASSERT_TRUE(device.setScan2DHDRExposureSequence(written).isOk());
    EXPECT_EQ(written, (std::vector<double>{10, 20.5, 40}));
    std::vector<double> read{99};
    ASSERT_TRUE(device.getScan2DHDRExposureSequence(read).isOk());
    EXPECT_EQ(read, written);
    store.put(p::Scan2DHDRExposureSequence, "5ms," + std::string(400, '9') + "ms");
    const ErrorStatus huge = device.getScan2DHDRExposureSequence(read);
    EXPECT_EQ(huge.code, ReadError);
    EXPECT_EQ(huge.message, "Malformed reply: the HDR exposure sequence holds a number too large to read.");
    EXPECT_TRUE(read.empty());
    read = {1};
    store.failGet(p::Scan2DHDRExposureSequence, "busy");
    EXPECT_EQ(device.getScan2DHDRExposureSequence(read).message, "busy");
    EXPECT_TRUE(read.empty());
}

// Each multi-request setter with one request refused: what was sent before, and nothing after.
struct PartialFailure {
    const char* label;
    std::function<ErrorStatus(const QuorixDevice&)> set;
    int model;
    const char* refused;
    Keys sent;  // set requests received, the refused one last
};

TEST(PartialFailure, StopsAtTheFirstRefusedRequest) {
    const auto laser = [](const QuorixDevice& d) {
        LaserSettings l;
        l.FrameRangeStart = 10;
        l.FrameRangeEnd = 35;
        l.FramePartitionCount = 2;
        l.PowerLevel = 50;
        return d.setLaserSettings(l);
    };
    const auto vela = [](const QuorixDevice& d) { return d.setVelaSettings({}); };
    const auto depth = [](const QuorixDevice& d) { return d.setDepthRange({100, 900}); };
    const auto exposure = [](const QuorixDevice& d) { return d.setScan3DExposure({1, 2, 3}); };
    const Keys laserKeys = {p::LaserFrameAmplitude, p::LaserFrameOffset, p::LaserFramePartitionCount,
                            p::LaserPowerLevel, p::LaserFringeCodingMode};
    const Keys exposureKeys = {p::Scan3DExposureCount, p::Scan3DExposureTime, p::Scan3DExposureTime2,
                               p::Scan3DExposureTime3};
    std::vector<PartialFailure> cases = {
        {"depth", depth, 13, p::DepthLowerLimit, {p::DepthLowerLimit}},
        {"depth", depth, 13, p::DepthUpperLimit, {p::DepthLowerLimit, p::DepthUpperLimit}},
        {"vela", vela, 8, p::VelaCaptureMode, {p::VelaCaptureMode}},
        {"vela", vela, 8, p::FringeCodingMode, {p::VelaCaptureMode, p::FringeCodingMode}},
    };
    for (std::size_t k = 0; k < laserKeys.size(); ++k)
        cases.push_back(
            {"laser", laser, 4, laserKeys[k].c_str(), Keys(laserKeys.begin(), laserKeys.begin() + k + 1)});
    for (std::size_t k = 0; k < exposureKeys.size(); ++k)
        cases.push_back({"exposure", exposure, 13, exposureKeys[k].c_str(),
                         Keys(exposureKeys.begin(), exposureKeys.begin() + k + 1)});
    for (const PartialFailure& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " refusing " + c.refused);
        CameraStore store(c.model);
        QuorixDevice device;
        store.connect(device);
        store.failSet(c.refused, std::string("no ") + c.refused);
        const ErrorStatus s = c.set(device);
        EXPECT_EQ(s.code, WriteError);
        EXPECT_EQ(s.message, std::string("no ") + c.refused);
        EXPECT_EQ(store.sets(), c.sent);
    }
}

}  // namespace
