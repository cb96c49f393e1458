#pragma once

#include <cstdint>
#include <string>

namespace quorix {
namespace tool {

// The command port the tool assumes when ADDRESS has none. The virtual camera serves on an ephemeral port
// unless started with --port, so give it --port 5577 to use the default here.
constexpr std::uint16_t kDefaultPort = 5577;

struct Address {
    std::string host;
    std::uint16_t port = kDefaultPort;
};

// "A.B.C.D" or "A.B.C.D:PORT" (port 1 to 65535). False with the reason when malformed.
bool parseAddress(const std::string& text, Address& address, std::string& error);

}  // namespace tool
}  // namespace quorix
