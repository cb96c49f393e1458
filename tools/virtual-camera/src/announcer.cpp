#include "announcer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>

#include "transport/protocol_names.h"

namespace quorix {
namespace virtualcam {

bool Announcer::start(const std::string& sourceAddress, const std::string& destinationAddress,
                      std::uint16_t destinationPort, int periodMs, Payload payload, std::string& error) {
    stop();
    in_addr source{}, destination{};
    if (inet_pton(AF_INET, sourceAddress.c_str(), &source) != 1 ||
        inet_pton(AF_INET, destinationAddress.c_str(), &destination) != 1) {
        error = "announcement addresses must be dotted IPv4 addresses";
        return false;
    }
    if (periodMs <= 0 || destinationPort == 0) {
        error = "the announcement period and port must be positive";
        return false;
    }
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket_ < 0) {
        error = std::string("cannot create the announcement socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = source;
    local.sin_port = 0;  // one ephemeral port, kept for the camera's life
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = std::string("cannot bind the announcement socket to ") + sourceAddress + ": " +
                std::strerror(errno);
        ::close(socket_);
        socket_ = -1;
        return false;
    }
    destinationAddress_ = destination.s_addr;
    destinationPort_ = destinationPort;
    periodMs_ = periodMs;
    payload_ = std::move(payload);
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void Announcer::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
}

void Announcer::run() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destinationAddress_;
    to.sin_port = htons(destinationPort_);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        const std::string text = payload_();
        if (text.size() <= norvik::protocol::kMaxAnnouncementBytes) {
            // A lost datagram is simply sent again next period.
            (void)::sendto(socket_, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                           sizeof to);
        }
        wake_.wait_for(lock, std::chrono::milliseconds(periodMs_), [this] { return stopping_; });
    }
}

}  // namespace virtualcam
}  // namespace quorix
