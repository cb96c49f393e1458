// Every model of the catalogue against every model-specific operation: a refused getter answers
// UnsupportedModel, a refused setter WriteError, both with the feature's message, nothing sent and the
// getter's output untouched; an admitted operation reaches the camera.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "camera_store.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;
using Codes = std::set<int>;

const char kOrra[] = "This API only support with Quorix Orra Industrial 3D Camera.";
const char kZikaVex[] = "This API only support with Quorix ZIKA and VEX series Industrial 3D Cameras.";
const char kZikaTavVex[] =
    "This API only support with Quorix ZIKA, TAV and VEX series Industrial 3D Cameras.";
const char kVela[] = "This API only support with Quorix VELA Industrial 3D Camera.";
const char kFlash[] = "FLASH mode in Scanning2DSettings::Scan2DExposureMode is not supported.";
const char kGuard[] = "Invalid device. Please use connect() to connect to a Quorix device.";

const Codes kLaserModels = {10, 11, 9, 4, 104};
const Codes kAntiFlickerModels = {2, 13, 12};
const Codes kFringeCodingModels = {2, 13, 12, 3};
const Codes kPowerLevelModels = {2, 13, 12, 3, 0, 100, 14, 107, 7};
const Codes kVelaModels = {8};
const Codes kNoFlashModels = {10, 11, 9};
// The catalogue, the unknown model and a code that is not in the catalogue.
const int kAllCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 100, 104, 105, 107, 255, 42};

// Runs the operation; reports whether a getter's output still holds what it held before.
using Call = std::function<ErrorStatus(const QuorixDevice&, bool& outputUntouched)>;

template <typename T, typename Getter>
Call getter(Getter get) {
    return [get](const QuorixDevice& d, bool& untouched) {
        T out = static_cast<T>(9);
        const ErrorStatus s = (d.*get)(out);
        untouched = out == static_cast<T>(9);
        return s;
    };
}

template <typename T, typename Setter>
Call setter(Setter set, T value) {
    return [set, value](const QuorixDevice& d, bool& untouched) {
        untouched = true;
        return (d.*set)(value);
    };
}

struct GatedOperation {
    const char* label;
    Call call;
    bool isGetter;
    const Codes* admitted;  // models on which the operation goes on
    const char* refusal;
    bool refusedWhenAdmitted = false;  // the Flash case: the listed models are the refused ones
};

LaserSettings validLaser() {
    LaserSettings l;
    l.FrameRangeStart = 10;
    l.FrameRangeEnd = 60;
    l.FramePartitionCount = 1;
    l.PowerLevel = 50;
    return l;
}

std::vector<GatedOperation> operations() {
    using FC = ProjectorSettings::FringeCodingMode;
    using PL = ProjectorSettings::PowerLevel;
    using AF = ProjectorSettings::AntiFlickerMode;
    using VC = VelaSettings::VelaCaptureMode;
    using VF = VelaSettings::VelaFringeCodingMode;
    const Call getLaser = [](const QuorixDevice& d, bool& untouched) {
        LaserSettings l;
        l.PowerLevel = 9;
        const ErrorStatus s = d.getLaserSettings(l);
        untouched = l.PowerLevel == 9;
        return s;
    };
    const Call setLaser = [](const QuorixDevice& d, bool& untouched) {
        untouched = true;
        return d.setLaserSettings(validLaser());
    };
    const Call getVela = [](const QuorixDevice& d, bool& untouched) {
        VelaSettings v;
        v.CaptureMode = static_cast<VC>(9);
        const ErrorStatus s = d.getVelaSettings(v);
        untouched = v.CaptureMode == static_cast<VC>(9);
        return s;
    };
    const Call setVela = [](const QuorixDevice& d, bool& untouched) {
        untouched = true;
        return d.setVelaSettings({});
    };
    return {
        {"getLaserSettings", getLaser, true, &kLaserModels, kOrra},
        {"setLaserSettings", setLaser, false, &kLaserModels, kOrra},
        {"getProjectorAntiFlickerMode", getter<AF>(&QuorixDevice::getProjectorAntiFlickerMode), true,
         &kAntiFlickerModels, kZikaVex},
        {"setProjectorAntiFlickerMode", setter(&QuorixDevice::setProjectorAntiFlickerMode, AF::AC50Hz), false,
         &kAntiFlickerModels, kZikaVex},
        {"getProjectorFringeCodingMode", getter<FC>(&QuorixDevice::getProjectorFringeCodingMode), true,
         &kFringeCodingModels, kZikaVex},
        {"setProjectorFringeCodingMode", setter(&QuorixDevice::setProjectorFringeCodingMode, FC::Accurate),
         false, &kFringeCodingModels, kZikaVex},
        {"getProjectorPowerLevel", getter<PL>(&QuorixDevice::getProjectorPowerLevel), true,
         &kPowerLevelModels, kZikaTavVex},
        {"setProjectorPowerLevel", setter(&QuorixDevice::setProjectorPowerLevel, PL::Low), false,
         &kPowerLevelModels, kZikaTavVex},
        {"getVelaCaptureMode", getter<VC>(&QuorixDevice::getVelaCaptureMode), true, &kVelaModels, kVela},
        {"setVelaCaptureMode", setter(&QuorixDevice::setVelaCaptureMode, VC::HighResolution), false,
         &kVelaModels, kVela},
        {"getVelaFringeCodingMode", getter<VF>(&QuorixDevice::getVelaFringeCodingMode), true, &kVelaModels,
         kVela},
        {"setVelaFringeCodingMode", setter(&QuorixDevice::setVelaFringeCodingMode, VF::Accurate), false,
         &kVelaModels, kVela},
        {"getVelaSettings", getVela, true, &kVelaModels, kVela},
        {"setVelaSettings", setVela, false, &kVelaModels, kVela},
        {"setScan2DExposureMode(Flash)",
         setter(&QuorixDevice::setScan2DExposureMode, Scanning2DSettings::Scan2DExposureMode::Flash), false,
         &kNoFlashModels, kFlash, true},
    };
}

void expectRefused(const GatedOperation& op, const QuorixDevice& device, CameraStore* store) {
    bool untouched = false;
    const ErrorStatus s = op.call(device, untouched);
    EXPECT_EQ(s.code, op.isGetter ? UnsupportedModel : WriteError);
    EXPECT_EQ(s.message, op.refusal);
    EXPECT_TRUE(untouched);
    if (store != nullptr) {
        EXPECT_TRUE(store->camera.requests().empty());
    }
}

TEST(GatingMatrix, EveryModelAgainstEveryGatedOperation) {
    CameraStore store;
    const auto ops = operations();
    for (int code : kAllCodes) {
        store.camera.serveIdentity(code);
        QuorixDevice device;
        store.connect(device);
        for (const GatedOperation& op : ops) {
            SCOPED_TRACE(std::string(op.label) + " on model " + std::to_string(code));
            store.camera.clearRequests();
            const bool listed = op.admitted->count(code) != 0;
            if (listed != op.refusedWhenAdmitted) {
                bool untouched = false;
                EXPECT_TRUE(op.call(device, untouched).isOk());
                EXPECT_FALSE(store.camera.requests().empty());
            } else {
                expectRefused(op, device, &store);
            }
        }
        // The model read at the last connection still decides after a disconnect; the guard answers next.
        device.disconnect();
        for (const GatedOperation& op : ops) {
            SCOPED_TRACE(std::string(op.label) + " on disconnected model " + std::to_string(code));
            store.camera.clearRequests();
            const bool listed = op.admitted->count(code) != 0;
            if (listed != op.refusedWhenAdmitted) {
                bool untouched = false;
                const ErrorStatus s = op.call(device, untouched);
                EXPECT_EQ(s.code, InvalidDevice);
                EXPECT_EQ(s.message, kGuard);
            } else {
                expectRefused(op, device, &store);
            }
            EXPECT_TRUE(store.camera.requests().empty());
        }
    }
}

TEST(GatingMatrix, NeverConnectedDeviceNamesNoModel) {
    QuorixDevice device;
    for (const GatedOperation& op : operations()) {
        SCOPED_TRACE(op.label);
        if (op.refusedWhenAdmitted) {
            // No model lacks Flash: the mode goes on to the write, which the guard refuses.
            bool untouched = false;
            EXPECT_EQ(op.call(device, untouched).code, InvalidDevice);
        } else {
            expectRefused(op, device, nullptr);
        }
    }
}

TEST(GatingMatrix, FlashRefusalConcernsOnlyFlash) {
    CameraStore store(9);
    QuorixDevice device;
    store.connect(device);
    EXPECT_TRUE(device.setScan2DExposureMode(Scanning2DSettings::Scan2DExposureMode::HDR).isOk());
    EXPECT_EQ(store.stored("Scan2DExposureMode").asInt(), 2);
    CameraStore orra(4);
    QuorixDevice other;
    orra.connect(other);
    EXPECT_TRUE(other.setScan2DExposureMode(Scanning2DSettings::Scan2DExposureMode::Flash).isOk());
    EXPECT_EQ(orra.stored("Scan2DExposureMode").asInt(), 3);
}

}  // namespace
