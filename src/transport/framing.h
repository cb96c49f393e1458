#pragma once

// Reply framing shared by both ends of the wire: a 4-byte big-endian JSON length, the JSON text and, for
// captures, a binary tail whose numbers are big-endian too.

#include <cstdint>
#include <string>
#include <string_view>

namespace norvik {
namespace protocol {

// Size of the length prefix in front of the JSON text of every reply.
inline constexpr std::size_t kLengthPrefixBytes = 4;
// Size of the capture header behind the JSON: scale (8), rows, cols, type, byte count (4 each).
inline constexpr std::size_t kImageHeaderBytes = 24;

// Reads 4 bytes at cursor as a big-endian signed integer and advances the cursor. When fewer than 4 bytes
// are left (or the cursor is negative) it yields 0 and leaves the cursor where it is.
std::int32_t readInt32BE(std::string_view reply, int& cursor);
// The same for an 8-byte big-endian IEEE-754 double; yields 0.0 when too short.
double readDoubleBE(std::string_view reply, int& cursor);

void appendInt32BE(std::string& out, std::int32_t value);
void appendDoubleBE(std::string& out, double value);

// A reply message: length prefix, JSON text, then the optional binary tail.
std::string frameReply(std::string_view jsonText, std::string_view binaryTail = {});

}  // namespace protocol
}  // namespace norvik
