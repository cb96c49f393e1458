// The laser settings (frame range converted to amplitude and offset and back, the order of the checks,
// the defaults of a partial read) and the VELA settings.

#include <gtest/gtest.h>

#include <functional>

#include "camera_store.h"
#include "settings/laser_settings.h"
#include "transport/protocol_names.h"

namespace {

using namespace norvik::api;
using norvik::settings::frameRangeFromWire;
using norvik::settings::frameRangeToWire;
using norvik::settings::LaserFrameRange;
using settings_test::CameraStore;
namespace p = norvik::protocol::parameter;

constexpr int kOrraL = 4;
constexpr int kVela = 8;

LaserSettings laser(int start, int end, int partitions = 2, int power = 50, int coding = 1) {
    LaserSettings l;
    l.FringeCodingMode = coding;
    l.FrameRangeStart = start;
    l.FrameRangeEnd = end;
    l.FramePartitionCount = partitions;
    l.PowerLevel = power;
    return l;
}

TEST(LaserFrameRange, ConvertsBothWays) {
    struct Example {
        int start, end, amplitude, offset, readStart, readEnd;
    };
    const Example examples[] = {
        {10, 35, 25, -27, 10, 35}, {60, 85, 25, 22, 60, 85}, {30, 71, 41, 0, 29, 70},
        {0, 100, 100, 0, 0, 100},  {0, 25, 25, -37, 0, 25},  {75, 100, 25, 37, 75, 100},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(std::to_string(e.start) + "-" + std::to_string(e.end));
        const auto w = frameRangeToWire(e.start, e.end);
        EXPECT_EQ(w.amplitude, e.amplitude);
        EXPECT_EQ(w.offset, e.offset);
        LaserFrameRange r{};
        ASSERT_TRUE(frameRangeFromWire(w.amplitude, w.offset, r));
        EXPECT_EQ(r.start, e.readStart);
        EXPECT_EQ(r.end, e.readEnd);
    }
    LaserFrameRange r{};
    EXPECT_FALSE(frameRangeFromWire(2147483647, 2147483647, r));
    EXPECT_FALSE(frameRangeFromWire(-2147483647 - 1, -2147483647 - 1, r));
    // Centred on 50, any amplitude fits: the fallback of a failed offset read.
    EXPECT_TRUE(frameRangeFromWire(-2147483647 - 1, 0, r));
    EXPECT_TRUE(frameRangeFromWire(2147483647, 0, r));
}

class Laser : public ::testing::Test {
protected:
    void SetUp() override { store.connect(device); }
    CameraStore store{kOrraL};
    QuorixDevice device;
};

TEST_F(Laser, WritesAndReadsBackThroughTheCamera) {
    ASSERT_TRUE(device.setLaserSettings(laser(0, 100, 3, 80, 1)).isOk());
    EXPECT_EQ(store.stored(p::LaserFrameAmplitude).asInt(), 100);
    EXPECT_EQ(store.stored(p::LaserFrameOffset).asInt(), 0);
    ASSERT_TRUE(device.setLaserSettings(laser(30, 71, 3, 80, 1)).isOk());
    LaserSettings read;
    ASSERT_TRUE(device.getLaserSettings(read).isOk());
    EXPECT_EQ(read.FrameRangeStart, 29);
    EXPECT_EQ(read.FrameRangeEnd, 70);
    EXPECT_EQ(read.FramePartitionCount, 3);
    EXPECT_EQ(read.PowerLevel, 80);
    EXPECT_EQ(read.FringeCodingMode, 1);
    ASSERT_TRUE(device.setLaserSettings(laser(10, 35)).isOk());
    ASSERT_TRUE(device.getLaserSettings(read).isOk());
    EXPECT_EQ(read.FrameRangeStart, 10);
    EXPECT_EQ(read.FrameRangeEnd, 35);
}

TEST_F(Laser, ChecksRunInOrderAndTheFirstFailureWins) {
    const std::string width =
        "The valid FrameRangeEnd - FrameRangeStart parameter range is from 25 to 100.Please check the input "
        "value.";
    EXPECT_EQ(device.setLaserSettings(laser(-1, 500, 0, 0)).message,
              "The valid FrameRangeStart parameter range is from 0 to 100.Please check the input value.");
    EXPECT_EQ(device.setLaserSettings(laser(0, 101, 0, 0)).message,
              "The valid FrameRangeEnd parameter range is from 0 to 100.Please check the input value.");
    EXPECT_EQ(device.setLaserSettings(laser(0, 24, 0, 0)).message, width);
    EXPECT_EQ(device.setLaserSettings(laser(50, 40)).message, width);
    EXPECT_EQ(
        device.setLaserSettings(laser(0, 50, 5, 0)).message,
        "The valid LaserFramePartitionCount parameter range is from 1 to 4.Please check the input value.");
    EXPECT_TRUE(store.camera.requests().empty());
}

TEST_F(Laser, PartialReadWritesTheDefaultOfTheFailedField) {
    ASSERT_TRUE(device.setLaserSettings(laser(60, 85, 3, 80, 1)).isOk());
    struct Case {
        const char* failing;
        std::vector<int> expected;  // coding, start, end, partitions, power; 7 = not written
    };
    const Case cases[] = {
        {p::LaserFrameAmplitude, {7, 7, 7, 7, 7}},
        {p::LaserFrameOffset, {7, 37, 62, 7, 7}},  // centred on 50, rounded down
        {p::LaserFramePartitionCount, {7, 60, 85, 1, 7}},
        {p::LaserPowerLevel, {7, 60, 85, 3, 20}},
        {p::LaserFringeCodingMode, {0, 60, 85, 3, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        CameraStore failing(kOrraL);
        for (const char* key : {p::LaserFrameAmplitude, p::LaserFrameOffset, p::LaserFramePartitionCount,
                                p::LaserPowerLevel, p::LaserFringeCodingMode})
            failing.put(key, store.stored(key));
        failing.failGet(c.failing, "busy");
        QuorixDevice other;
        failing.connect(other);
        LaserSettings read = laser(7, 7, 7, 7, 7);
        const ErrorStatus s = other.getLaserSettings(read);
        EXPECT_EQ(s.code, ReadError);
        EXPECT_EQ(s.message, "busy");
        EXPECT_EQ(std::vector<int>({read.FringeCodingMode, read.FrameRangeStart, read.FrameRangeEnd,
                                    read.FramePartitionCount, read.PowerLevel}),
                  c.expected);
    }
}

TEST_F(Laser, OffsetBeyondAnyRangeIsAReadError) {
    store.put(p::LaserFrameAmplitude, 2147483647);
    store.put(p::LaserFrameOffset, 2147483647);
    LaserSettings read = laser(7, 7, 7, 7, 7);
    const ErrorStatus s = device.getLaserSettings(read);
    EXPECT_EQ(s.code, ReadError);
    EXPECT_EQ(s.message, "Malformed reply: the laser frame amplitude and offset give no valid range.");
    EXPECT_EQ(read.FramePartitionCount, 7);
}

TEST(Vela, SettingsTravelUnderTheirKeys) {
    CameraStore store(kVela);
    QuorixDevice device;
    store.connect(device);
    VelaSettings written;
    written.CaptureMode = VelaSettings::VelaCaptureMode::HighResolution;
    written.FringeCodingMode = VelaSettings::VelaFringeCodingMode::Accurate;
    ASSERT_TRUE(device.setVelaSettings(written).isOk());
    EXPECT_EQ(store.stored(p::VelaCaptureMode).asInt(), 1);
    EXPECT_EQ(store.stored(p::FringeCodingMode).asInt(), 1);
    VelaSettings read;
    ASSERT_TRUE(device.getVelaSettings(read).isOk());
    EXPECT_EQ(read.CaptureMode, written.CaptureMode);
    EXPECT_EQ(read.FringeCodingMode, written.FringeCodingMode);

    // A failed capture-mode read writes 0 and skips the fringe coding mode.
    store.failGet(p::VelaCaptureMode, "busy");
    store.camera.clearRequests();
    read.FringeCodingMode = VelaSettings::VelaFringeCodingMode::Accurate;
    EXPECT_EQ(device.getVelaSettings(read).message, "busy");
    EXPECT_EQ(read.CaptureMode, VelaSettings::VelaCaptureMode::Standard);
    EXPECT_EQ(read.FringeCodingMode, VelaSettings::VelaFringeCodingMode::Accurate);
    EXPECT_EQ(store.gets(), std::vector<std::string>{p::VelaCaptureMode});
    auto mode = VelaSettings::VelaCaptureMode::HighResolution;
    EXPECT_EQ(device.getVelaCaptureMode(mode).code, ReadError);
    EXPECT_EQ(mode, VelaSettings::VelaCaptureMode::Standard);
}

}  // namespace
