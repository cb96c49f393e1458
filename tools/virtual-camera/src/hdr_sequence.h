#pragma once

// The 2D HDR exposure sequence travels as one text: exposure times in milliseconds with the suffix "ms",
// joined by commas, for example 10ms,20.5ms,40ms.

#include <string>
#include <vector>

namespace quorix {
namespace virtualcam {

inline constexpr std::size_t kMaxHdrExposures = 5;
inline constexpr double kMinHdrExposureMs = 0.1;
inline constexpr double kMaxHdrExposureMs = 999.0;

// Strict reading: 1 to 5 items, each a plain decimal number followed by "ms", each 0.1 to 999. On failure
// returns false with a message for the camera's "err_msg"; times is then unspecified.
bool parseHdrSequence(const std::string& text, std::vector<double>& times, std::string& error);

}  // namespace virtualcam
}  // namespace quorix
