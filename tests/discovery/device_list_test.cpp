// Announcements into identity records: no socket needed.

#include "device/device_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using norvik::api::QuorixDeviceInfo;
using norvik::discovery::Announcement;

const char kZika[] = R"({"quorixId":"A1","model":2,"camVersion":"1.0","version":"2.1.0","port":5577})";

TEST(DeviceList, KeepsUsableAnnouncementsInOrderAndReportsUnreadableOnes) {
    const std::vector<Announcement> announcements = {
        {"192.168.1.20", kZika},  // address from the sender
        {"192.168.1.21", R"({"quorixId":"A2","model":8,"ipAddress":"10.0.0.5","port":4464})"},  // kept
        {"192.168.1.22", R"({"isVirtual":true,"quorixId":"V1","model":2})"},  // virtual: dropped
        {"192.168.1.23", R"({"quorixId":"","model":2})"},                     // no identifier
        {"192.168.1.24", R"({"model":2})"},                                   // no identifier
        {"192.168.1.25", "[]"},                                               // empty: no identifier
        {"192.168.1.26", "hello"},                                            // not JSON
        {"192.168.1.27", "5"},                                                // not an object
        {"192.168.1.28", R"(["A3"])"},                                        // not an object
        {"192.168.1.29", R"({"quorixId":"A4","model":"2"})"},                 // model as text
        {"192.168.1.30", R"({"quorixId":{"x":1}})"},                          // id as object
        {"192.168.1.31", ""},                                                 // empty payload
        {"192.168.1.32", "// a comment\n{\"quorixId\":\"A5\", /* lenient */ \"model\":2}"},
        {"192.168.1.33", std::string(2048, '[')},               // nested too deeply
        {"192.168.1.34", R"({"quorixId":"A6","port":70000})"},  // port out of range
        {"192.168.1.35", R"({"quorixId":"A7","port":-1})"},     // port out of range
    };

    testing::internal::CaptureStderr();
    const std::vector<QuorixDeviceInfo> devices = norvik::device::devicesFromAnnouncements(announcements);
    const std::string errors = testing::internal::GetCapturedStderr();

    ASSERT_EQ(devices.size(), 3u);
    const QuorixDeviceInfo& zika = devices[0];
    EXPECT_EQ(zika.model, "Quorix ZIKA");
    EXPECT_EQ(zika.id, "A1");
    EXPECT_EQ(zika.hardwareVersion, "1.0");
    EXPECT_EQ(zika.firmwareVersion, "2.1.0");
    EXPECT_EQ(zika.ipAddress, "192.168.1.20");
    EXPECT_EQ(zika.port, 5577);
    EXPECT_EQ(devices[1].id, "A2");
    EXPECT_EQ(devices[1].model, "Quorix VELA 120");
    EXPECT_EQ(devices[1].ipAddress, "10.0.0.5");
    EXPECT_EQ(devices[1].port, 4464);
    EXPECT_EQ(devices[2].id, "A5");
    EXPECT_EQ(devices[2].ipAddress, "192.168.1.32");

    EXPECT_EQ(errors,
              "Failed to parse JSON from hello\n"
              "Failed to parse JSON from 5\n"
              "Failed to parse JSON from [\"A3\"]\n"
              "Failed to parse JSON from {\"quorixId\":\"A4\",\"model\":\"2\"}\n"
              "Failed to parse JSON from {\"quorixId\":{\"x\":1}}\n"
              "Failed to parse JSON from \n"
              "Failed to parse JSON from " +
                  std::string(2048, '[') +
                  "\n"
                  "Failed to parse JSON from {\"quorixId\":\"A6\",\"port\":70000}\n"
                  "Failed to parse JSON from {\"quorixId\":\"A7\",\"port\":-1}\n");
}

}  // namespace
