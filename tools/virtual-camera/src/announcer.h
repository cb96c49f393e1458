#pragma once

// Announces the camera: its identity object as one UDP datagram to the destination every period, always from
// the same source port, bound to the camera's own address so that cameras at 127.0.0.x are distinct senders.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quorix {
namespace virtualcam {

class Announcer {
  public:
    using Payload = std::function<std::string()>;

    Announcer() = default;
    ~Announcer() { stop(); }
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    // Binds the sending socket and starts the thread; false with error when the socket cannot be set up.
    bool start(const std::string& sourceAddress, const std::string& destinationAddress,
               std::uint16_t destinationPort, int periodMs, Payload payload, std::string& error);
    void stop();

  private:
    void run();

    int socket_ = -1;
    std::uint32_t destinationAddress_ = 0;  // network byte order
    std::uint16_t destinationPort_ = 0;
    int periodMs_ = 1000;
    Payload payload_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace virtualcam
}  // namespace quorix
