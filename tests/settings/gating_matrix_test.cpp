// Every model of the catalogue against the operations on the VELA record, which is no row of the settings
// catalogue (the rows are checked in catalogue_test.cpp): a refused getter answers UnsupportedModel, a
// refused setter WriteError, both with the feature's message, nothing sent and the getter's output
// untouched; an admitted operation reaches the camera.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "camera_store.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;
using Codes = std::set<int>;

const char kVela[] = "This API only support with Quorix VELA Industrial 3D Camera.";
const char kGuard[] = "Invalid device. Please use connect() to connect to a Quorix device.";

const Codes kVelaModels = {8};
// The catalogue, the unknown model and a code that is not in the catalogue.
const int kAllCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 100, 104, 105, 107, 255, 42};

// Runs the operation; reports whether a getter's output still holds what it held before.
using Call = std::function<ErrorStatus(const QuorixDevice&, bool& outputUntouched)>;

struct GatedOperation {
    const char* label;
    Call call;
    bool isGetter;
    const Codes* admitted;  // models on which the operation goes on
    const char* refusal;
};

std::vector<GatedOperation> operations() {
    using VC = VelaSettings::VelaCaptureMode;
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
        {"getVelaSettings", getVela, true, &kVelaModels, kVela},
        {"setVelaSettings", setVela, false, &kVelaModels, kVela},
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
            if (op.admitted->count(code) != 0) {
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
            if (op.admitted->count(code) != 0) {
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
        expectRefused(op, device, nullptr);
    }
}

}  // namespace
