#include "address.h"

#include <cctype>

namespace quorix {
namespace tool {

namespace {

bool allDigits(const std::string& text) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool isIPv4(const std::string& host) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string part =
            host.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 3 || !allDigits(part) || std::stoi(part) > 255) return false;
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

}  // namespace

bool parseAddress(const std::string& text, Address& address, std::string& error) {
    const std::size_t colon = text.find(':');
    Address parsed;
    parsed.host = text.substr(0, colon);
    if (!isIPv4(parsed.host)) {
        error = "\"" + text + "\" is not an IPv4 address such as 192.168.1.20 or 192.168.1.20:5577";
        return false;
    }
    if (colon != std::string::npos) {
        const std::string port = text.substr(colon + 1);
        if (!allDigits(port) || std::stoi(port) < 1 || std::stoi(port) > 65535) {
            error = "\"" + port + "\" is not a port (1 to 65535)";
            return false;
        }
        parsed.port = static_cast<std::uint16_t>(std::stoi(port));
    }
    address = parsed;
    return true;
}

}  // namespace tool
}  // namespace quorix
