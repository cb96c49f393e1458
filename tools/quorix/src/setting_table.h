#pragma once

// The capture settings as the tool writes them: the library's catalogue gives every setting's name, shape,
// range and models; this file adds only how a value is written in JSON and on a command line.
//
// JSON forms (what get prints, and what set and preset files accept):
//   Integer, Real      a number                      Boolean   true or false
//   Enumeration        an enumerator's name (any letter case) or its value
//   RealList           an array of numbers (or one number)
//   Record             an object of the fields (or an array of them in field order); an enumeration field
//                      by name or value

#include <json/value.h>

#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

// The catalogue's description of key, letter case ignored; null when there is none.
const norvik::api::SettingDescription* findSetting(const std::string& key);
// "Scan2DExposureMode, Scan2DExposureTime, ..."
std::string settingNames();

// What a value looks like, e.g. "number, 0 to 16" or "X,Y,Width,Height in px".
std::string valueForm(const norvik::api::SettingDescription& setting);
// One line per setting: its name, its value's form and its description, for help texts.
std::string settingsHelp();

// The JSON form of a value read as numbers.
Json::Value valueToJson(const norvik::api::SettingDescription& setting, const std::vector<double>& numbers);
// The numbers of a value written in JSON. Empty when it converts, else the refusal: "<name> must be <form>".
// Ranges are not judged here; the library's checkSetting does that.
std::string valueFromJson(const norvik::api::SettingDescription& setting, const Json::Value& value,
                          std::vector<double>& numbers);

// Reads a setting into its JSON form.
norvik::api::ErrorStatus readSetting(const norvik::api::QuorixDevice& device,
                                     const norvik::api::SettingDescription& setting, Json::Value& value);
// Converts and checks a value in full (WriteError with the reason), sending nothing.
norvik::api::ErrorStatus checkSetting(const norvik::api::QuorixDevice& device,
                                      const norvik::api::SettingDescription& setting,
                                      const Json::Value& value);
// Checks as above, then writes the value.
norvik::api::ErrorStatus writeSetting(const norvik::api::QuorixDevice& device,
                                      const norvik::api::SettingDescription& setting,
                                      const Json::Value& value);

// A value typed on the command line: JSON when it parses ("2.5", "true", "[1,2]"), numbers when it is a
// comma-separated list ("0,0,640,480"), otherwise the text itself (an enumerator's name).
Json::Value parseCommandLineValue(const std::string& text);

}  // namespace tool
}  // namespace quorix
