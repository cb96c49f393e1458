// The virtual camera's announcements found by enumeration, and the record good enough to connect with.
#include <gtest/gtest.h>

#include "quorix/QuorixDevice.h"
#include "virtualcam/virtual_camera.h"

using namespace norvik::api;

TEST(VirtualCameraDiscovery, AnnouncedCamerasAreListedAndConnectable) {
    quorix::virtualcam::Options options;
    options.modelCode = 2;
    options.address = "127.0.0.3";
    options.announce = true;
    options.announcePeriodMs = 500;
    quorix::virtualcam::VirtualCamera camera(options);
    std::string error;
    ASSERT_TRUE(camera.start(&error)) << error;

    testing::internal::CaptureStdout();  // the quiet end of the window prints nothing; a failure prints lines
    const std::vector<QuorixDeviceInfo> devices = QuorixDevice::enumerateQuorixDeviceList();
    testing::internal::GetCapturedStdout();
    const auto found = std::find_if(devices.begin(), devices.end(),
                                    [&](const QuorixDeviceInfo& d) { return d.id == camera.identifier(); });
    ASSERT_NE(found, devices.end());
    EXPECT_EQ(found->model, "Quorix ZIKA");
    EXPECT_EQ(found->ipAddress, "127.0.0.3");
    EXPECT_EQ(found->port, camera.port());

    QuorixDevice device;
    ASSERT_EQ(device.connect(*found, 5000).code, Success);
    QuorixDeviceInfo info;
    ASSERT_EQ(device.getDeviceInfo(info).code, Success);
    EXPECT_EQ(info.id, camera.identifier());
}
