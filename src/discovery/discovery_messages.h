#pragma once

// Diagnostic lines of discovery (transport/diagnostics.h). By default transport failures go to standard
// output, each followed by a line with the system's error code; unusable announcements go to standard error,
// followed by the payload.

namespace norvik {
namespace discovery {

inline constexpr char kBindErrorLine[] = "UDP Bind error.";
inline constexpr char kReceiveErrorLine[] = "Receive Data error.";
inline constexpr char kParseFailurePrefix[] = "Failed to parse JSON from ";

}  // namespace discovery
}  // namespace norvik
