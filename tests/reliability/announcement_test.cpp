// A network that announces garbage: every unusable datagram is skipped, the one real camera is listed.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>

#include "device/device_list.h"
#include "discovery/discovery_listener.h"
#include "operations.h"
#include "reliability_figures.h"
#include "virtualcam/virtual_camera.h"

namespace {

// Sends one datagram from 127.0.0.<host> (its own sender) to the listener's port on loopback.
bool sendFrom(int host, std::uint16_t port, const std::string& bytes) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7F000000u | static_cast<std::uint32_t>(host));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool sent = ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
                      ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                               sizeof to) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return sent;
}

TEST(GarbageAnnouncements, AreSkippedAndTheRealCameraIsListed) {
    norvik::discovery::DiscoveryListener listener(0, 600);
    ASSERT_EQ(listener.bind(), 0);
    const std::uint16_t port = listener.boundPort();

    auto options = reliability::smallCamera();
    options.address = "127.0.0.40";
    options.announce = true;
    options.announcePort = port;
    options.announcePeriodMs = 100;
    quorix::virtualcam::VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());

    const std::string garbage[] = {
        std::string("\xFF\xFE\x00\x01garbage", 11),
        "{\"quorixId\": \"half an obj",
        "[1, 2, 3]",
        "{\"quorixId\": 7, \"model\": [], \"port\": \"many\"}",
        "{\"quorixId\": \"X\", \"port\": 99999999999, \"ipAddress\": {}}",
        std::string(60000, '{'),
        std::string(3000, 'a'),
        "null",
        std::string("\0{\"quorixId\":\"hidden\"}", 22),
    };
    auto heard = std::async(std::launch::async, [&] { return listener.collect(); });
    int host = 41;
    for (const std::string& bytes : garbage) EXPECT_TRUE(sendFrom(host++, port, bytes));
    const auto announcements = heard.get();
    camera.stop();

    const auto devices = norvik::device::devicesFromAnnouncements(announcements);
    ASSERT_EQ(devices.size(), 1u) << "only the virtual camera announces a usable identity";
    EXPECT_EQ(devices[0].id, camera.identifier());
    EXPECT_EQ(devices[0].ipAddress, "127.0.0.40");
    reliability::recordFigure("faults.garbage_announcements_skipped",
                              static_cast<double>(std::size(garbage)));
}

}  // namespace
