#pragma once

// Address and firmware checks made by connect.

#include <cstdint>
#include <string>

namespace norvik {
namespace device {

struct FirmwareVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t patch = 0;
};

inline constexpr char kMinimumFirmwareVersion[] = "2.0.2";

// Four decimal fields without leading zeros; first and last 1 to 254, the middle ones 0 to 255.
bool isValidIpAddress(const std::string& text);
// Three numbers separated by any single characters; (0, 0, 0) when the text has another form or is longer
// than any version text (64 characters).
FirmwareVersion parseVersion(const std::string& text);
// Major above the minimum's, or equal major and minor at least the minimum's; the patch number is ignored.
bool isSupportedFirmware(const std::string& version);

}  // namespace device
}  // namespace norvik
