#pragma once

// One camera parameter per request: "SetCameraParams" writes a value, "GetCameraParams" reads one. Every
// operation applies the connection guard first; nothing is cached.

#include <json/json.h>

#include <cstdint>
#include <string>

#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

// Sends value under name in its JSON type (integer, real, boolean, string, unsigned integer, or the value as
// built). WriteError with the camera's text when the exchange fails.
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, std::int32_t value);
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, double value);
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, bool value);
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, std::string value);
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, std::uint64_t value);
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, Json::Value value);
// A text literal would otherwise become a bool.
api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name,
                              const char* value) = delete;

// Reads name into value: the reply's "property_value", null when it has none. ReadError with the camera's
// text when the exchange fails; value is untouched on every failure.
api::ErrorStatus getParameter(transport::CommandClient& client, const std::string& name, Json::Value& value);

// The reading alone, on a "GetCameraParams" reply: its "property_value" (null when it has none). value is
// untouched on failure.
api::ErrorStatus readParameterValue(const Json::Value& reply, Json::Value& value);
// A read value converted as readParameter does; out is untouched on failure.
api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, std::int32_t& out);
api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, double& out);
api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, bool& out);
api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, std::string& out);

// getParameter converted to the output's type with the lenient conversions of the replies (null reads as
// 0, 0.0, false or ""). A value that does not convert (text for a number, an integer outside 32 bits, an
// object) gives ReadError. out is untouched on every failure.
api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, std::int32_t& out);
api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, double& out);
api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, bool& out);
api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, std::string& out);

}  // namespace settings
}  // namespace norvik
