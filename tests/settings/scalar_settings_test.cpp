// Each single-parameter setting: the value reaches the camera under its key, reads back, and a failed read
// leaves the output in the setting's failure state (0 for most, untouched for the projector settings).

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "camera_store.h"
#include "transport/protocol_names.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;
namespace p = norvik::protocol::parameter;

struct Row {
    const char* key;
    int model;
    std::function<void(const QuorixDevice&, CameraStore&)> check;
};

template <typename T>
Row row(const char* key, ErrorStatus (QuorixDevice::*get)(T&) const,
        ErrorStatus (QuorixDevice::*set)(T) const, T value, bool keepsOutputOnFailure, int model = 13) {
    return {key, model, [=](const QuorixDevice& device, CameraStore& store) {
                ASSERT_TRUE((device.*set)(value).isOk());
                EXPECT_EQ(store.sets(), std::vector<std::string>{key});
                T read{};
                ASSERT_TRUE((device.*get)(read).isOk());
                EXPECT_EQ(read, value);
                store.failGet(key, "busy");
                read = value;
                const ErrorStatus s = (device.*get)(read);
                EXPECT_EQ(s.code, ReadError);
                EXPECT_EQ(s.message, "busy");
                EXPECT_EQ(read, keepsOutputOnFailure ? value : T{});
            }};
}

TEST(ScalarSettings, EveryPairWritesReadsBackAndFails) {
    using D = QuorixDevice;
    const Row rows[] = {
        row(p::Scan2DExposureMode, &D::getScan2DExposureMode, &D::setScan2DExposureMode,
            Scanning2DSettings::Scan2DExposureMode::HDR, false),
        row(p::Scan2DExposureTime, &D::getScan2DExposureTime, &D::setScan2DExposureTime, 12.25, false),
        row(p::Scan2DExpectedGrayValue, &D::getScan2DExpectedGrayValue, &D::setScan2DExpectedGrayValue, 200,
            false),
        row(p::Scan2DToneMappingEnable, &D::getScan2DToneMappingEnable, &D::setScan2DToneMappingEnable, true,
            false),
        row(p::Scan2DSharpenFactor, &D::getScan2DSharpenFactor, &D::setScan2DSharpenFactor, 2.5, false),
        row(p::Scan3DGain, &D::getScan3DGain, &D::setScan3DGain, 7.75, false),
        row(p::FringeContrastThreshold, &D::getFringeContrastThreshold, &D::setFringeContrastThreshold, 42,
            false),
        row(p::FringeMinThreshold, &D::getFringeMinThreshold, &D::setFringeMinThreshold, 17, false),
        row(p::CloudOutlierFilterMode, &D::getCloudOutlierFilterMode, &D::setCloudOutlierFilterMode,
            PointCloudProcessingSettings::CloudOutlierFilterMode::Weak, false),
        row(p::CloudSmoothMode, &D::getCloudSmoothMode, &D::setCloudSmoothMode,
            PointCloudProcessingSettings::CloudSmoothMode::Normal, false),
        row(p::ProjectorFringeCodingMode, &D::getProjectorFringeCodingMode, &D::setProjectorFringeCodingMode,
            ProjectorSettings::FringeCodingMode::Accurate, true),
        row(p::ProjectorPowerLevel, &D::getProjectorPowerLevel, &D::setProjectorPowerLevel,
            ProjectorSettings::PowerLevel::Normal, true),
        row(p::AntiFlickerMode, &D::getProjectorAntiFlickerMode, &D::setProjectorAntiFlickerMode,
            ProjectorSettings::AntiFlickerMode::AC50Hz, true),
        row(p::VelaCaptureMode, &D::getVelaCaptureMode, &D::setVelaCaptureMode,
            VelaSettings::VelaCaptureMode::HighResolution, false, 8),
        row(p::FringeCodingMode, &D::getVelaFringeCodingMode, &D::setVelaFringeCodingMode,
            VelaSettings::VelaFringeCodingMode::Accurate, false, 8),
    };
    std::map<int, std::unique_ptr<CameraStore>> stores;
    std::map<int, std::unique_ptr<QuorixDevice>> devices;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        if (!stores[r.model]) {
            stores[r.model] = std::make_unique<CameraStore>(r.model);
            devices[r.model] = std::make_unique<QuorixDevice>();
            stores[r.model]->connect(*devices[r.model]);
        }
        stores[r.model]->camera.clearRequests();
        r.check(*devices[r.model], *stores[r.model]);
    }
}

TEST(ScalarSettings, EnumerationsPassUnknownValuesThrough) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    ASSERT_TRUE(
        device.setCloudSmoothMode(static_cast<PointCloudProcessingSettings::CloudSmoothMode>(-7)).isOk());
    EXPECT_EQ(store.stored(p::CloudSmoothMode).asInt(), -7);
    store.put(p::Scan2DExposureMode, 12);
    Scanning2DSettings::Scan2DExposureMode mode{};
    ASSERT_TRUE(device.getScan2DExposureMode(mode).isOk());
    EXPECT_EQ(static_cast<int>(mode), 12);
}

}  // namespace
