#pragma once

// The passive listener of camera announcements: one UDP socket on all interfaces, listening until no new
// sender has been heard for a whole window, keeping the first datagram of every sender.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "discovery/announcement.h"
#include "discovery/udp_socket.h"

namespace norvik {
namespace discovery {

// Listening window and receive time-out of an enumeration.
inline constexpr int kListeningWindowMs = 3000;
// However many new senders keep the window open, a listening round ends this long after it started...
inline constexpr int kListeningRoundMs = 15000;
// ...and keeps at most this many senders; announcements of further senders are dropped.
inline constexpr std::size_t kMaxSenders = 1024;
// What bind() returns when the address cannot be bound.
inline constexpr int kBindFailed = 3;

class DiscoveryListener : public UdpSocket {
  public:
    // A datagram socket for port on any local address. windowMs is the listening window and receive
    // time-out, roundMs and maxSenders the bounds of a round; enumerations use the constants above.
    explicit DiscoveryListener(std::uint16_t port, int windowMs = kListeningWindowMs,
                               int roundMs = kListeningRoundMs, std::size_t maxSenders = kMaxSenders);

    // Binds with address reuse. 0, or kBindFailed after writing the bind-error lines to standard output.
    int bind();
    // Listens until windowMs have passed since the last new sender (or nothing at all arrived for windowMs,
    // which writes the receive-error lines), or roundMs since the start. Keeps the first maxSenders senders;
    // when others were dropped, writes one line saying so to standard error. Returns one announcement per
    // kept sender, in ascending key order.
    std::vector<Announcement> collect();

    // The bound port (useful when constructed with port 0), or 0 when unbound.
    std::uint16_t boundPort() const;

  private:
    int windowMs_;
    int roundMs_;
    std::size_t maxSenders_;
    std::int64_t windowStartNs_;
};

}  // namespace discovery
}  // namespace norvik
