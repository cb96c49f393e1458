#include "discovery/discovery_listener.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
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

}  // namespace

DiscoveryListener::DiscoveryListener(std::uint16_t port, int windowMs)
    : UdpSocket(SOCK_DGRAM), windowMs_(windowMs), windowStartNs_(nowNs()) {
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
    windowStartNs_ = nowNs();
    std::map<std::string, std::string> heard;  // sender key -> first payload; std::string orders byte-wise

    timeval timeout{};
    timeout.tv_sec = windowMs_ / 1000;
    timeout.tv_usec = (windowMs_ % 1000) * 1000;
    ::setsockopt(handle_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    char buffer[protocol::kMaxAnnouncementBytes];
    for (;;) {
        const double elapsedMs = static_cast<double>(nowNs() - windowStartNs_) / 1e9 * 1000.0;
        if (!(elapsedMs < windowMs_)) break;

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
            printFailure(kReceiveErrorLine, code);
            break;
        }
        // Longer than any announcement: the kernel cut it, so it is not a camera's text. Drop it and keep
        // listening for the cameras still to come.
        if ((message.msg_flags & MSG_TRUNC) != 0) continue;
        if (message.msg_namelen < sizeof sender || sender.sin_family != AF_INET) continue;

        auto [entry, isNew] = heard.try_emplace(senderKey(sender));
        if (!isNew) continue;  // the first datagram of a sender stays; repeats do not extend the window
        entry->second = payloadOf(buffer, static_cast<std::size_t>(received));
        windowStartNs_ = nowNs();
    }

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
