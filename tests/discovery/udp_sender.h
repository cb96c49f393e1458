#pragma once

// Plays cameras on loopback: each sender is a UDP socket bound to its own 127.0.0.x source address and
// sends only to 127.0.0.1.

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace discovery_test {

class UdpSender {
  public:
    explicit UdpSender(const std::string& sourceAddress, std::uint16_t sourcePort = 0)
        : handle_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in local = loopback(sourceAddress, sourcePort);
        if (handle_ < 0 || ::bind(handle_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            throw std::runtime_error("cannot bind a sender to " + sourceAddress);
        }
    }
    ~UdpSender() { ::close(handle_); }
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;

    std::uint16_t port() const {
        sockaddr_in bound{};
        socklen_t length = sizeof bound;
        ::getsockname(handle_, reinterpret_cast<sockaddr*>(&bound), &length);
        return ntohs(bound.sin_port);
    }

    void send(const std::string& bytes, std::uint16_t port) const {
        sockaddr_in target = loopback("127.0.0.1", port);
        ::sendto(handle_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
    }

  private:
    static sockaddr_in loopback(const std::string& address, std::uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
        return a;
    }

    int handle_;
};

// Sends from each of its senders in turn, every periodMs, starting after delayMs, until destroyed or after
// rounds rounds (-1: no limit). With numberRounds, round n sends payload + "#n", so that a test can tell the
// first datagram from the repeats.
class Announcer {
  public:
    struct Camera {
        std::string sourceAddress;
        std::string payload;
    };

    Announcer(std::vector<Camera> cameras, std::uint16_t port, int periodMs, int delayMs = 0, int rounds = -1,
              bool numberRounds = false)
        : cameras_(std::move(cameras)) {
        for (const Camera& camera : cameras_)
            senders_.push_back(std::make_unique<UdpSender>(camera.sourceAddress));
        thread_ = std::thread([=] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (wake_.wait_for(lock, std::chrono::milliseconds(delayMs), [&] { return stop_; })) return;
            for (int round = 0; round != rounds; ++round) {
                for (std::size_t i = 0; i < senders_.size(); ++i) {
                    const std::string& text = cameras_[i].payload;
                    senders_[i]->send(numberRounds ? text + "#" + std::to_string(round) : text, port);
                }
                if (wake_.wait_for(lock, std::chrono::milliseconds(periodMs), [&] { return stop_; })) return;
            }
        });
    }
    ~Announcer() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

  private:
    std::vector<Camera> cameras_;
    std::vector<std::unique_ptr<UdpSender>> senders_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

inline double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace discovery_test
