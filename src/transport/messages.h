#pragma once

// Status texts that every subsystem above the channel reports.

namespace norvik {
namespace transport {

inline constexpr char kInvalidDeviceMessage[] =
    "Invalid device. Please use connect() to connect to a Quorix device.";
inline constexpr char kEmptyResponseMessage[] = "Empty response!";

}  // namespace transport
}  // namespace norvik
