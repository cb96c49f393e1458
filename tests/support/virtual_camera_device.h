#pragma once

// A virtual camera of a given model started in-process, and a device connected to it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "quorix/QuorixDevice.h"
#include "virtualcam/virtual_camera.h"

namespace quorix_test {

class VirtualCameraDevice {
public:
    explicit VirtualCameraDevice(int modelCode, quorix::virtualcam::Options options = {}) {
        options.modelCode = modelCode;
        camera_ = std::make_unique<quorix::virtualcam::VirtualCamera>(options);
        std::string error;
        started_ = camera_->start(&error);
        EXPECT_TRUE(started_) << error;
        if (started_) status_ = device.connect("127.0.0.1", camera_->port(), 5000);
        EXPECT_EQ(status_.code, norvik::api::Success) << status_.message;
    }

    bool ready() const { return started_ && status_.code == norvik::api::Success; }
    quorix::virtualcam::VirtualCamera& camera() { return *camera_; }

    norvik::api::QuorixDevice device;

private:
    std::unique_ptr<quorix::virtualcam::VirtualCamera> camera_;
    bool started_ = false;
    norvik::api::ErrorStatus status_{norvik::api::InvalidDevice, "not started"};
};

}  // namespace quorix_test
