// Single-parameter settings beyond what the catalogue's rows check (catalogue_test.cpp): enumerations pass
// numbers without a name through in both directions.

#include <gtest/gtest.h>

#include "camera_store.h"
#include "transport/protocol_names.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;
namespace p = norvik::protocol::parameter;

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
