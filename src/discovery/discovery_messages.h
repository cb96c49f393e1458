#pragma once

// Diagnostic lines of discovery (transport/diagnostics.h). By default transport failures go to standard
// output, each followed by a line with the system's error code; unusable announcements go to standard error,
// followed by the payload, and so does the line saying that senders beyond the limit were dropped.

#include <cstddef>
#include <string>

namespace norvik {
namespace discovery {

inline constexpr char kBindErrorLine[] = "UDP Bind error.";
inline constexpr char kReceiveErrorLine[] = "Receive Data error.";
inline constexpr char kParseFailurePrefix[] = "Failed to parse JSON from ";
inline std::string tooManySendersLine(std::size_t kept) {
    return "Too many cameras announced themselves: kept the first " + std::to_string(kept) +
           ", dropped the others.";
}

}  // namespace discovery
}  // namespace norvik
