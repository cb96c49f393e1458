#pragma once

// The camera's identity object ("camera_info"), the same in the identity reply and in every announcement.

#include <json/json.h>

#include <cstdint>
#include <string>

#include "virtualcam/virtual_camera.h"

namespace quorix {
namespace virtualcam {

// Firmware reported by the old-firmware fault: older than anything the library accepts.
inline constexpr char kOldFirmwareVersion[] = "1.8.0";

Json::Value cameraInfoJson(const Options& options, const std::string& identifier, std::uint16_t port,
                           const Faults& faults);

// Compact JSON text, as the camera writes every reply.
std::string compactJson(const Json::Value& value);

}  // namespace virtualcam
}  // namespace quorix
