#pragma once

// The oversized-reply fault: a reply followed by a block of junk bytes far larger than any real reply.

#include <cstddef>
#include <string>

namespace quorix {
namespace virtualcam {

inline constexpr std::size_t kOversizeJunkBytes = 8u << 20;

// reply with kOversizeJunkBytes of 0xFF appended (the length prefix is left as it was).
std::string oversizeReply(const std::string& reply);

}  // namespace virtualcam
}  // namespace quorix
