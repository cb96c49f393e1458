#include "discovery/announcement.h"

#include <arpa/inet.h>

#include <cstring>

namespace norvik {
namespace discovery {

std::string senderKey(const sockaddr_in& sender) {
    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &sender.sin_addr, dotted, sizeof dotted);
    return std::string(dotted) + ":" + std::to_string(ntohs(sender.sin_port));
}

std::string addressOfKey(const std::string& key) {
    return key.substr(0, key.find(':'));
}

std::string payloadOf(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return std::string(data, zero != nullptr ? static_cast<const char*>(zero) - data : size);
}

}  // namespace discovery
}  // namespace norvik
