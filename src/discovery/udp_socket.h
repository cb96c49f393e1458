#pragma once

// An IPv4 socket that keeps the process-wide count of open sockets. Platforms whose socket library needs a
// start-up run it when the first socket opens and clean it up when the last one closes.

#include <netinet/in.h>

#include <cstdint>

namespace norvik {
namespace discovery {

class UdpSocket {
  public:
    // Throws std::runtime_error when the socket library cannot start or the socket cannot be created.
    explicit UdpSocket(int type);
    // Closes the socket if still open.
    ~UdpSocket();

    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Closes the handle and releases the socket library. A second call does nothing, so the count never
    // loses a socket that is still open.
    void close();
    bool isOpen() const { return handle_ != kInvalidSocket; }

    // Number of open UdpSocket objects in the process.
    static std::int32_t socketUsers();

  protected:
    static constexpr int kInvalidSocket = -1;

    int handle_ = kInvalidSocket;
    sockaddr_in local_{};
};

}  // namespace discovery
}  // namespace norvik
