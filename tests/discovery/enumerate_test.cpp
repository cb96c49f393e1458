// The public enumeration on the real discovery port. Each call listens for at least 3000 ms, so the cases
// are gathered into few calls. Only ids with the test's prefix are looked at, in case another camera
// double announces itself on this machine.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "discovery/udp_socket.h"
#include "quorix/QuorixDevice.h"
#include "transport/protocol_names.h"
#include "udp_sender.h"

namespace {

using discovery_test::Announcer;
using discovery_test::millisecondsSince;
using norvik::api::QuorixDevice;
using norvik::api::QuorixDeviceInfo;
using norvik::protocol::kDiscoveryPort;

const std::string kPrefix = "disc-test-";

std::string camera(const std::string& id, const std::string& more = "") {
    return R"({"quorixId":")" + kPrefix + id +
           R"(","model":2,"camVersion":"1.0","version":"2.1.0","port":5577)" + more + "}";
}

TEST(EnumerateQuorixDeviceList, ListsEachSenderOnceInKeyOrderAndSkipsBadAnnouncements) {
    std::string oversized = camera("HUGE");
    oversized.resize(4096, ' ');
    const std::string hello("hello\0{\"quorixId\":\"disc-test-GHOST\"}", 36);
    // Every sender repeats each second; only its first datagram counts.
    Announcer cameras({{"127.0.0.9", camera("CAM9")},
                       {"127.0.0.10", camera("CAM10", R"(,"ipAddress":"10.0.0.5")")},
                       {"127.0.0.11", camera("CAM11")},  // one camera, two source ports
                       {"127.0.0.11", camera("CAM11")},
                       {"127.0.0.12", camera("CAM12") + std::string(200, '\0')},
                       {"127.0.0.13", R"({"isVirtual":true,"quorixId":"disc-test-VIRTUAL","model":2})"},
                       {"127.0.0.14", R"({"quorixId":"","model":2})"},
                       {"127.0.0.15", hello},
                       {"127.0.0.16", "5"},
                       {"127.0.0.17", R"({"quorixId":"disc-test-BAD","model":"2"})"},
                       {"127.0.0.18", oversized}},
                      kDiscoveryPort, 1000);
    const auto start = std::chrono::steady_clock::now();
    Announcer late({{"127.0.0.19", camera("LATE")}}, kDiscoveryPort, 1000, 2500);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const std::vector<QuorixDeviceInfo> all = QuorixDevice::enumerateQuorixDeviceList();
    const double elapsed = millisecondsSince(start);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();

    std::vector<QuorixDeviceInfo> ours;
    for (const QuorixDeviceInfo& info : all) {
        if (info.id.rfind(kPrefix, 0) == 0) ours.push_back(info);
    }
    const struct {
        const char* id;
        const char* ipAddress;
    } expected[] = {{"CAM10", "10.0.0.5"},   {"CAM11", "127.0.0.11"}, {"CAM11", "127.0.0.11"},
                    {"CAM12", "127.0.0.12"}, {"LATE", "127.0.0.19"},  {"CAM9", "127.0.0.9"}};
    ASSERT_EQ(ours.size(), std::size(expected));
    for (std::size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(ours[i].id, kPrefix + expected[i].id) << i;
        EXPECT_EQ(ours[i].ipAddress, expected[i].ipAddress) << i;
        EXPECT_EQ(ours[i].model, "Quorix ZIKA") << i;
        EXPECT_EQ(ours[i].hardwareVersion, "1.0") << i;
        EXPECT_EQ(ours[i].firmwareVersion, "2.1.0") << i;
        EXPECT_EQ(ours[i].port, 5577) << i;
    }

    for (const std::string line : {"hello", "5", R"({"quorixId":"disc-test-BAD","model":"2"})"}) {
        EXPECT_NE(err.find("Failed to parse JSON from " + line + "\n"), std::string::npos) << line;
    }
    EXPECT_EQ(err.find("GHOST"), std::string::npos);
    EXPECT_EQ(out.find("Receive Data error."), std::string::npos);  // repeats kept it busy to the end
    // The late camera, first heard 2500 ms in, held the window open for another 3000 ms.
    EXPECT_GE(elapsed, 5500);
    EXPECT_LT(elapsed, 9000);
}

TEST(EnumerateQuorixDeviceList, TwoAtOnceWithNoAnnouncementGiveEmptyListsAfterTheWindow) {
    const std::int32_t socketsBefore = norvik::discovery::UdpSocket::socketUsers();
    std::vector<QuorixDeviceInfo> first;
    std::vector<QuorixDeviceInfo> second;

    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    std::thread other([&] { second = QuorixDevice::enumerateQuorixDeviceList(); });
    first = QuorixDevice::enumerateQuorixDeviceList();
    other.join();
    const double elapsed = millisecondsSince(start);

    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Receive Data error.\n11\nReceive Data error.\n11\n");
    EXPECT_TRUE(first.empty());
    EXPECT_TRUE(second.empty());
    EXPECT_GE(elapsed, 2990);
    EXPECT_LT(elapsed, 6000);
    EXPECT_EQ(norvik::discovery::UdpSocket::socketUsers(), socketsBefore);
}

TEST(EnumerateQuorixDeviceList, AShorterWindowEndsSoonerAndAZeroWindowStillEnds) {
    Announcer quick({{"127.0.0.20", camera("QUICK")}}, kDiscoveryPort, 100);
    auto start = std::chrono::steady_clock::now();
    const std::vector<QuorixDeviceInfo> all = QuorixDevice::enumerateQuorixDeviceList(400);
    double elapsed = millisecondsSince(start);
    int found = 0;
    for (const QuorixDeviceInfo& info : all) found += info.id == kPrefix + "QUICK";
    EXPECT_EQ(found, 1);
    EXPECT_GE(elapsed, 390);
    EXPECT_LT(elapsed, 2500);

    testing::internal::CaptureStdout();
    start = std::chrono::steady_clock::now();
    QuorixDevice::enumerateQuorixDeviceList(0);  // listens for at least a millisecond, never for ever
    elapsed = millisecondsSince(start);
    testing::internal::GetCapturedStdout();
    EXPECT_LT(elapsed, 2500);
}

TEST(EnumerateQuorixDeviceList, APortHeldByAnotherProgramIsReportedToTheHandler) {
    // Held without address reuse, as another program would.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kDiscoveryPort);
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << errno;
    std::vector<std::string> lines;
    QuorixDevice::setDiagnosticHandler([&lines](const std::string& text) { lines.push_back(text); });
    testing::internal::CaptureStdout();
    EXPECT_TRUE(QuorixDevice::enumerateQuorixDeviceList().empty());
    QuorixDevice::setDiagnosticHandler({});
    ::close(holder);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "UDP Bind error.\n" + std::to_string(EADDRINUSE));
}

}  // namespace
