// Every bounded value of the structured setters (the single-parameter ones are checked row by row from the
// catalogue, catalogue_test.cpp): both bounds pass, the next value outside is refused with its exact
// message before anything is sent (even on a device that never connected), and an accepted value on a
// disconnected device is refused by the connection guard.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "camera_store.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;

constexpr double kLow = -std::numeric_limits<double>::infinity();
constexpr double kHigh = std::numeric_limits<double>::infinity();
constexpr int kAnyModel = 13;
constexpr int kLaserModel = 4;
const char kGuard[] = "Invalid device. Please use connect() to connect to a Quorix device.";

std::string range(const std::string& name, const std::string& min, const std::string& max) {
    return "The valid " + name + " parameter range is from " + min + " to " + max +
           ".Please check the input value.";
}

LaserSettings laser(int start, int end, int partitions = 2, int power = 50) {
    LaserSettings l;
    l.FrameRangeStart = start;
    l.FrameRangeEnd = end;
    l.FramePartitionCount = partitions;
    l.PowerLevel = power;
    return l;
}

std::vector<double> withAt(std::size_t count, std::size_t at, double value) {
    std::vector<double> v(count, 10.0);
    v.at(at) = value;
    return v;
}

struct Bound {
    const char* label;
    std::function<ErrorStatus(const QuorixDevice&, double)> set;
    std::vector<double> accepted;  // the bounds (or the nearest values the whole record allows)
    std::vector<double> refused;   // the next values outside
    std::string message;
    int model = kAnyModel;  // a model admitted by the setting's gate
};

std::vector<Bound> bounds() {
    const auto below = [](double v) { return std::nextafter(v, kLow); };
    const auto above = [](double v) { return std::nextafter(v, kHigh); };
    const auto i = [](double v) { return static_cast<int>(v); };
    return {
        {"depthLowerLimit",
         [=](const QuorixDevice& d, double v) {
             return d.setDepthRange({i(v), 5000});
         },
         {1, 4000},
         {0, 4001},
         range("depthLowerLimit", "1", "4000")},
        // The upper limit 1 passes its own range; with any valid lower limit the order check refuses it.
        {"depthUpperLimit",
         [=](const QuorixDevice& d, double v) {
             return d.setDepthRange({1, i(v)});
         },
         {2, 5000},
         {0, 5001},
         range("depthUpperLimit", "1", "5000")},
        {"Scan3DExposureCount",
         [](const QuorixDevice& d, double v) {
             return d.setScan3DExposure(std::vector<double>(static_cast<std::size_t>(v), 10.0));
         },
         {1, 3},
         {0, 4},
         "Exposure multiplier error. " + range("Scan3DExposureCount", "1", "3")},
        {"Scan3DExposureTime0",
         [](const QuorixDevice& d, double v) { return d.setScan3DExposure(withAt(3, 0, v)); },
         {0.1, 99},
         {below(0.1), above(99)},
         "Exposure time error. " + range("Scan3DExposureTime0", "0.100000", "99.000000")},
        {"Scan3DExposureTime1",
         [](const QuorixDevice& d, double v) { return d.setScan3DExposure(withAt(3, 1, v)); },
         {0.1, 99},
         {below(0.1), above(99)},
         "Exposure time error. " + range("Scan3DExposureTime1", "0.100000", "99.000000")},
        {"Scan3DExposureTime2",
         [](const QuorixDevice& d, double v) { return d.setScan3DExposure(withAt(3, 2, v)); },
         {0.1, 99},
         {below(0.1), above(99)},
         "Exposure time error. " + range("Scan3DExposureTime2", "0.100000", "99.000000")},
        {"Scan2DHDRExposureSequence size",
         [](const QuorixDevice& d, double v) {
             std::vector<double> values(static_cast<std::size_t>(v), 10.0);
             return d.setScan2DHDRExposureSequence(values);
         },
         {1, 5},
         {0, 6},
         "The valid parameter sequence range is from 1 to 5. Please check the size of input values."},
        {"Scan2DHDRExposureSequence value",
         [](const QuorixDevice& d, double v) {
             std::vector<double> values = withAt(5, 4, v);
             return d.setScan2DHDRExposureSequence(values);
         },
         {0.1, 999},
         {below(0.1), above(999)},
         range("Scan2DHDRExposureSequence", "0.100000", "999.000000")},
        // A start of 100 leaves no room for the width of 25, so the largest whole record starts at 75.
        {"FrameRangeStart",
         [=](const QuorixDevice& d, double v) { return d.setLaserSettings(laser(i(v), 100)); },
         {0, 75},
         {-1, 101},
         range("FrameRangeStart", "0", "100"),
         kLaserModel},
        {"FrameRangeEnd",
         [=](const QuorixDevice& d, double v) { return d.setLaserSettings(laser(0, i(v))); },
         {25, 100},
         {-1, 101},
         range("FrameRangeEnd", "0", "100"),
         kLaserModel},
        {"FrameRangeEnd - FrameRangeStart",
         [=](const QuorixDevice& d, double v) { return d.setLaserSettings(laser(0, i(v))); },
         {25, 100},
         {24},
         range("FrameRangeEnd - FrameRangeStart", "25", "100"),
         kLaserModel},
        {"LaserFramePartitionCount",
         [=](const QuorixDevice& d, double v) { return d.setLaserSettings(laser(10, 60, i(v))); },
         {1, 4},
         {0, 5},
         range("LaserFramePartitionCount", "1", "4"),
         kLaserModel},
        {"LaserPowerLevel",
         [=](const QuorixDevice& d, double v) { return d.setLaserSettings(laser(10, 60, 2, i(v))); },
         {20, 100},
         {19, 101},
         range("LaserPowerLevel", "20", "100"),
         kLaserModel},
    };
}

TEST(Bounds, EveryBoundedValue) {
    std::map<int, std::unique_ptr<CameraStore>> cameras;
    for (const Bound& b : bounds()) {
        SCOPED_TRACE(b.label);
        auto& store = cameras[b.model];
        if (!store) store = std::make_unique<CameraStore>(b.model);
        QuorixDevice device;
        if (b.model == kAnyModel) {
            // Never connected: the refusal comes before the connection guard. (Gated settings answer with
            // their gate there, see the gating matrix.)
            for (double v : b.refused) {
                const ErrorStatus s = b.set(device, v);
                EXPECT_EQ(s.code, WriteError) << v;
                EXPECT_EQ(s.message, b.message) << v;
            }
        }
        store->connect(device);
        for (double v : b.refused) {
            EXPECT_EQ(b.set(device, v).message, b.message) << v;
            EXPECT_TRUE(store->camera.requests().empty()) << v;
        }
        for (double v : b.accepted) {
            store->camera.clearRequests();
            EXPECT_TRUE(b.set(device, v).isOk()) << v;
            EXPECT_FALSE(store->sets().empty()) << v;
        }
        device.disconnect();
        store->camera.clearRequests();
        const ErrorStatus s = b.set(device, b.accepted.front());
        EXPECT_EQ(s.code, InvalidDevice);
        EXPECT_EQ(s.message, kGuard);
        EXPECT_TRUE(store->camera.requests().empty());
    }
}

}  // namespace
