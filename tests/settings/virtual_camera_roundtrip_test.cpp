// Structured settings, user sets and refusals through the virtual camera (each single-parameter setting is
// written and read back row by row from the catalogue, catalogue_test.cpp).
#include <gtest/gtest.h>

#include "quorix/QuorixDevice.h"
#include "support/virtual_camera_device.h"

using namespace norvik::api;
using quorix_test::VirtualCameraDevice;

namespace {

// Writes value with set, reads it back with get into a variable that starts elsewhere, and compares.
template <typename T, typename Set, typename Get>
void roundTrip(const char* name, T value, T other, Set set, Get get) {
    const ErrorStatus written = set(value);
    ASSERT_EQ(written.code, Success) << name << ": " << written.message;
    T read = other;
    const ErrorStatus status = get(read);
    ASSERT_EQ(status.code, Success) << name << ": " << status.message;
    EXPECT_TRUE(read == value) << name;
}

}  // namespace

TEST(VirtualCameraSettings, StructuredSettingsRoundTrip) {
    VirtualCameraDevice vc(13);
    ASSERT_TRUE(vc.ready());
    const QuorixDevice& d = vc.device;
    auto sameRoi = [](const ROI& a, const ROI& b) {
        return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height;
    };
    for (auto [set, get] : {std::make_pair(&QuorixDevice::setScan2DROI, &QuorixDevice::getScan2DROI),
                            std::make_pair(&QuorixDevice::setScan3DROI, &QuorixDevice::getScan3DROI)}) {
        const ROI roi{100, 50, 640, 480};
        ASSERT_EQ((d.*set)(roi).code, Success);
        ROI read;
        ASSERT_EQ((d.*get)(read).code, Success);
        EXPECT_TRUE(sameRoi(read, roi));
    }
    const DepthRange range{300, 2500};
    ASSERT_EQ(d.setDepthRange(range).code, Success);
    DepthRange readRange;
    ASSERT_EQ(d.getDepthRange(readRange).code, Success);
    EXPECT_EQ(readRange.depthLowerLimit, 300);
    EXPECT_EQ(readRange.depthUpperLimit, 2500);

    const std::vector<double> exposures = {5.0, 12.5};
    ASSERT_EQ(d.setScan3DExposure(exposures).code, Success);
    std::vector<double> readExposures = {1, 2, 3};
    ASSERT_EQ(d.getScan3DExposure(readExposures).code, Success);
    EXPECT_EQ(readExposures, exposures);

    std::vector<double> sequence = {10, 20.5, 40};
    ASSERT_EQ(d.setScan2DHDRExposureSequence(sequence).code, Success);
    std::vector<double> readSequence;
    ASSERT_EQ(d.getScan2DHDRExposureSequence(readSequence).code, Success);
    EXPECT_EQ(readSequence, sequence);
}

TEST(VirtualCameraSettings, LaserAndVelaSettingsRoundTrip) {
    VirtualCameraDevice orra(4);
    ASSERT_TRUE(orra.ready());
    const LaserSettings laser{1, 10, 35, 3, 80};
    ASSERT_EQ(orra.device.setLaserSettings(laser).code, Success);
    LaserSettings readLaser;
    ASSERT_EQ(orra.device.getLaserSettings(readLaser).code, Success);
    EXPECT_EQ(readLaser.FringeCodingMode, 1);
    EXPECT_EQ(readLaser.FrameRangeStart, 10);
    EXPECT_EQ(readLaser.FrameRangeEnd, 35);
    EXPECT_EQ(readLaser.FramePartitionCount, 3);
    EXPECT_EQ(readLaser.PowerLevel, 80);

    VirtualCameraDevice vela(8);
    ASSERT_TRUE(vela.ready());
    const VelaSettings settings{VelaSettings::VelaCaptureMode::HighResolution,
                                VelaSettings::VelaFringeCodingMode::Accurate};
    ASSERT_EQ(vela.device.setVelaSettings(settings).code, Success);
    VelaSettings read;
    ASSERT_EQ(vela.device.getVelaSettings(read).code, Success);
    EXPECT_EQ(read.CaptureMode, settings.CaptureMode);
    EXPECT_EQ(read.FringeCodingMode, settings.FringeCodingMode);
    VelaSettings::VelaCaptureMode mode = VelaSettings::VelaCaptureMode::Standard;
    ASSERT_EQ(vela.device.getVelaCaptureMode(mode).code, Success);
    EXPECT_EQ(mode, VelaSettings::VelaCaptureMode::HighResolution);
}

TEST(VirtualCameraSettings, RefusalsComeBackAsTheCamerasMessage) {
    VirtualCameraDevice vc(13);
    ASSERT_TRUE(vc.ready());
    // An enumerator the camera does not define passes the library's checks and is refused by the camera.
    const auto status =
        vc.device.setCloudSmoothMode(static_cast<PointCloudProcessingSettings::CloudSmoothMode>(9));
    EXPECT_EQ(status.code, WriteError);
    EXPECT_FALSE(status.message.empty());
}

TEST(VirtualCameraSettings, UserSetsKeepTheirOwnParameters) {
    VirtualCameraDevice vc(13);
    ASSERT_TRUE(vc.ready());
    const QuorixDevice& d = vc.device;
    ASSERT_EQ(d.setScan3DGain(1.0).code, Success);
    ASSERT_EQ(d.addUserSet("bright").code, Success);
    ASSERT_EQ(d.setScan3DGain(8.0).code, Success);
    std::string current;
    ASSERT_EQ(d.getCurrentUserSet(current).code, Success);
    EXPECT_EQ(current, "bright");
    std::vector<std::string> names;
    ASSERT_EQ(d.getAllUserSets(names).code, Success);
    EXPECT_NE(std::find(names.begin(), names.end(), "bright"), names.end());
    ASSERT_EQ(d.saveAllSettingsToUserSets().code, Success);

    // Parameter writes go to the current set: the default set still has the gain it was copied from.
    double gain = 0;
    ASSERT_EQ(d.setCurrentUserSet("default").code, Success);
    ASSERT_EQ(d.getScan3DGain(gain).code, Success);
    EXPECT_EQ(gain, 1.0);
    ASSERT_EQ(d.setCurrentUserSet("bright").code, Success);
    ASSERT_EQ(d.getScan3DGain(gain).code, Success);
    EXPECT_EQ(gain, 8.0);

    ASSERT_EQ(d.setCurrentUserSet("default").code, Success);
    EXPECT_EQ(d.deleteUserSet("bright").code, Success);
    EXPECT_EQ(d.setCurrentUserSet("bright").code, WriteError);
    const auto refused = d.deleteUserSet("default");
    EXPECT_EQ(refused.code, WriteError);
    EXPECT_FALSE(refused.message.empty());
}
