#include "discovery/discovery_listener.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <map>
#include <string>

#include "discovery/discovery_messages.h"
#include "transport/diagnostics.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace discovery {

namespace {

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The failure's line and, on the next line, the system's error code, as one diagnostic.
void printFailure(const char* line, int code) {
    transport::reportDiagnostic(transport::DiagnosticStream::Output,
                                std::string(line) + "\n" + std::to_string(code));
}

// A receive time-out of ms milliseconds (at least one: zero would mean none).
void setReceiveTimeout(int handle, int ms) {
    timeval timeout{};
    timeout.tv_sec = ms / 1000;
    timeout.tv_usec = (ms % 1000) * 1000;
    if (ms <= 0) timeout.tv_usec = 1000;
    ::setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

}  // namespace

DiscoveryListener::DiscoveryListener(std::uint16_t port, int windowMs, int roundMs, std::size_t maxSenders)
    : UdpSocket(SOCK_DGRAM),
      windowMs_(windowMs),
      roundMs_(roundMs),
      maxSenders_(maxSenders),
      windowStartNs_(nowNs()) {
    local_.sin_port = htons(port);
    local_.sin_addr.s_addr = htonl(INADDR_ANY);
}

int DiscoveryListener::bind() {
    int reuse = 1;
    ::setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    if (::bind(handle_, reinterpret_cast<const sockaddr*>(&local_), sizeof local_) != 0) {
        printFailure(kBindErrorLine, errno);
        return kBindFailed;
    }
    return 0;
}

std::vector<Announcement> DiscoveryListener::collect() {
    const std::int64_t roundStartNs = nowNs();
    windowStartNs_ = roundStartNs;
    std::map<std::string, std::string> heard;  // sender key -> first payload; std::string orders byte-wise
    bool droppedSenders = false;
    auto millisecondsSince = [](std::int64_t startNs) {
        return static_cast<double>(nowNs() - startNs) / 1e9 * 1000.0;
    };

    int receiveTimeoutMs = windowMs_;
    setReceiveTimeout(handle_, receiveTimeoutMs);

    char buffer[protocol::kMaxAnnouncementBytes];
    for (;;) {
        if (!(millisecondsSince(windowStartNs_) < windowMs_)) break;
        // New senders may keep the window open, but not beyond the end of the round: the last receive
        // waits only until then.
        const double roundLeftMs = roundMs_ - millisecondsSince(roundStartNs);
        if (!(roundLeftMs > 0)) break;
        if (roundLeftMs < receiveTimeoutMs) {
            receiveTimeoutMs = static_cast<int>(std::ceil(roundLeftMs));
            setReceiveTimeout(handle_, receiveTimeoutMs);
        }

        sockaddr_in sender{};
        iovec part{buffer, sizeof buffer};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        const ssize_t received = ::recvmsg(handle_, &message, 0);
        if (received < 0) {
            const int code = errno;
            if (code == EINTR) continue;  // a signal is not the network going quiet
            if (receiveTimeoutMs < windowMs_ && (code == EAGAIN || code == EWOULDBLOCK)) break;  // round over
            printFailure(kReceiveErrorLine, code);
            break;
        }
        // Longer than any announcement: the kernel cut it, so it is not a camera's text. Drop it and keep
        // listening for the cameras still to come.
        if ((message.msg_flags & MSG_TRUNC) != 0) continue;
        if (message.msg_namelen < sizeof sender || sender.sin_family != AF_INET) continue;

        std::string key = senderKey(sender);
        if (heard.count(key) != 0) continue;  // the first datagram of a sender stays; repeats do not extend
        if (heard.size() >= maxSenders_) {
            droppedSenders = true;  // a flood: neither kept nor allowed to extend the window
            continue;
        }
        heard.emplace(std::move(key), payloadOf(buffer, static_cast<std::size_t>(received)));
        windowStartNs_ = nowNs();
    }
    if (droppedSenders)
        transport::reportDiagnostic(transport::DiagnosticStream::Error, tooManySendersLine(heard.size()));

    std::vector<Announcement> announcements;
    announcements.reserve(heard.size());
    for (auto& [key, payload] : heard) announcements.push_back({addressOfKey(key), std::move(payload)});
    return announcements;
}

std::uint16_t DiscoveryListener::boundPort() const {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) return 0;
    return ntohs(bound.sin_port);
}

}  // namespace discovery
}  // namespace norvik
