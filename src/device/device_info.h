#pragma once

// Turning a camera's "camera_info" object (or an announcement of the same shape) into its identity record.

#include <json/json.h>

#include <string>

#include "quorix/Types.h"

namespace norvik {
namespace device {

// An empty object, null, or "isVirtual" true give the empty record. False with error, and out untouched,
// when the value is not an object, a member has a type that cannot be converted, or "port" lies outside
// 0 to 65535.
bool parseDeviceInfo(const Json::Value& object, api::QuorixDeviceInfo& out, std::string& error);

}  // namespace device
}  // namespace norvik
