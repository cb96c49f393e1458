#pragma once

// A scripted camera serving a healthy identity, and a device connected to it.

#include <gtest/gtest.h>

#include <memory>

#include "quorix/QuorixDevice.h"
#include "support/scripted_camera.h"

namespace quorix_test {

// Reply time-out of the test connections: long enough for a loaded CI machine, short for failure tests.
inline constexpr int kTestTimeoutMs = 2000;

class ConnectedDevice : public ::testing::Test {
protected:
    // Connects a device to a camera of the given model; the camera's requests start empty afterwards.
    void connectAs(int modelCode, const std::string& firmware = "2.1.0") {
        camera.serveIdentity(modelCode, firmware);
        const auto status = device.connect(ScriptedCamera::address(), camera.port(), kTestTimeoutMs);
        ASSERT_EQ(status.code, norvik::api::Success) << status.message;
        camera.clearRequests();
    }

    ScriptedCamera camera;
    norvik::api::QuorixDevice device;
};

}  // namespace quorix_test
