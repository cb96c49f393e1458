#pragma once

// The camera's user sets: named groups of settings, one of them current. Each operation applies the
// connection guard first and leaves its output untouched when the device is not connected.

#include <json/json.h>

#include <string>
#include <vector>

#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

// Adds the set and makes it current. An empty name is refused (on a connected device).
api::ErrorStatus addUserSet(transport::CommandClient& client, const std::string& name);
api::ErrorStatus deleteUserSet(transport::CommandClient& client, const std::string& name);
api::ErrorStatus setCurrentUserSet(transport::CommandClient& client, const std::string& name);
// The outputs are empty after a failed read.
api::ErrorStatus getAllUserSets(transport::CommandClient& client, std::vector<std::string>& names);
api::ErrorStatus getCurrentUserSet(transport::CommandClient& client, std::string& name);
// The readers of a "GetConfigGroup" reply. names is empty after a failure; name is untouched.
api::ErrorStatus readUserSetNames(const Json::Value& reply, std::vector<std::string>& names);
api::ErrorStatus readCurrentUserSet(const Json::Value& reply, std::string& name);

// Asks the camera to store its current settings persistently.
api::ErrorStatus saveAllSettingsToUserSets(transport::CommandClient& client);

}  // namespace settings
}  // namespace norvik
