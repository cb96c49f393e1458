#pragma once

// Text from a camera (identities, user-set names, error messages) made safe to print on a terminal.

#include <string>
#include <string_view>

namespace quorix {
namespace tool {

// The text with its control characters written as escapes, so that a camera cannot move the cursor, clear
// the screen or hide what it sent: \n, \r and \t by name, other C0 controls, DEL and bytes that are not
// UTF-8 as \xNN, C1 controls as \u0080 to \u009f. Everything else, other languages included, is kept.
std::string printable(std::string_view text);

}  // namespace tool
}  // namespace quorix
