// Announcements: the identity object, one datagram per period, from one fixed source port.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "camera_client.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace member = norvik::protocol::member;

// A UDP listener on an ephemeral loopback port (never the discovery port, which other tests own).
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t size = sizeof local;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size);
        port_ = ntohs(local.sin_port);
        setTimeout(2000);
    }
    void setTimeout(int ms) {
        timeval timeout{ms / 1000, (ms % 1000) * 1000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~Listener() { ::close(fd_); }
    std::uint16_t port() const { return port_; }

    struct Datagram {
        std::string payload;
        std::string sender;
        std::uint16_t senderPort = 0;
    };
    std::optional<Datagram> receive() {
        char buffer[4096];
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t n =
            ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (n < 0) return std::nullopt;
        char address[INET_ADDRSTRLEN];
        ::inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
        return Datagram{std::string(buffer, static_cast<std::size_t>(n)), address, ntohs(from.sin_port)};
    }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

Json::Value parse(const std::string& text) {
    Json::Value value;
    std::istringstream in(text);
    Json::CharReaderBuilder builder;
    Json::parseFromStream(builder, in, &value, nullptr);
    return value;
}

TEST(Announcer, SendsTheIdentityEveryPeriodFromOneSourcePort) {
    Listener listener;
    Options options;
    options.address = "127.0.0.4";
    options.announce = true;
    options.announcePort = listener.port();
    options.announcePeriodMs = 40;
    VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port(), "127.0.0.4");
    const Json::Value identity = client.command(norvik::protocol::command::GetCameraInfo)[member::CameraInfo];

    // One datagram per period: about ten in 400 ms, never a burst.
    std::vector<Listener::Datagram> received;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(400)) {
        auto datagram = listener.receive();
        ASSERT_TRUE(datagram);
        received.push_back(*datagram);
    }
    EXPECT_GE(received.size(), 5u);
    EXPECT_LE(received.size(), 12u);
    for (const auto& d : received) {
        EXPECT_EQ(d.sender, "127.0.0.4");
        EXPECT_EQ(d.senderPort, received.front().senderPort);
        EXPECT_EQ(parse(d.payload), identity);
    }

    // Faults changed while running show in the next announcements.
    camera.setReportVirtual(true);
    bool sawVirtual = false;
    for (int i = 0; i < 5 && !sawVirtual; ++i) {
        auto datagram = listener.receive();
        ASSERT_TRUE(datagram);
        sawVirtual = parse(datagram->payload)[member::IsVirtual].asBool();
    }
    EXPECT_TRUE(sawVirtual);

    camera.stop();
    // At most what was already in flight arrives after the stop.
    listener.setTimeout(150);
    int after = 0;
    while (auto datagram = listener.receive()) {
        if (++after > 2) break;
    }
    EXPECT_LE(after, 2);
}

}  // namespace
