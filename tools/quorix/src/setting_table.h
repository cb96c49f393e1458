#pragma once

// Every capture setting by its key: how to read it, check a value for it and write it through the typed
// interface. One row per setting.

#include <json/value.h>

#include <functional>
#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

struct SettingRow {
    std::string key;
    std::string valueHelp;  // what a value looks like
    std::function<norvik::api::ErrorStatus(const norvik::api::QuorixDevice&, Json::Value&)> get;
    // Empty when the value is acceptable for a camera with these image sizes, else the reason.
    std::function<std::string(const Json::Value&, const norvik::api::DeviceResolution&)> check;
    // Only called with a value that passed check.
    std::function<norvik::api::ErrorStatus(const norvik::api::QuorixDevice&, const Json::Value&)> set;
};

const std::vector<SettingRow>& settingTable();
const SettingRow* findSetting(const std::string& key);

// A value typed on the command line: JSON when it parses ("2.5", "true", "[1,2]"), numbers when it is a
// comma-separated list ("0,0,640,480"), otherwise the text itself (an enumerator's name).
Json::Value parseCommandLineValue(const std::string& text);

}  // namespace tool
}  // namespace quorix
