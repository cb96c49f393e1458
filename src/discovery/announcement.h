#pragma once

// One kept announcement and the pieces that name and cut it.

#include <netinet/in.h>

#include <cstddef>
#include <string>

namespace norvik {
namespace discovery {

struct Announcement {
    std::string address;  // the sender's dotted IPv4 address
    std::string payload;
};

// "a.b.c.d:port" of an IPv4 sender; announcements are kept once per key, in byte-wise key order.
std::string senderKey(const sockaddr_in& sender);
// The address part of a key (everything before the first colon).
std::string addressOfKey(const std::string& key);
// The datagram's bytes up to its first zero byte (cameras pad their text), or all of them.
std::string payloadOf(const char* data, std::size_t size);

}  // namespace discovery
}  // namespace norvik
