#pragma once

// The calibration as a JSON value, for the programs that put it into documents of their own (`quorix info
// --json`, recorded scenes). Not part of the installed interface: it exposes the JSON library's types.

#include <json/value.h>

#include "quorix/QuorixExport.h"

namespace norvik {
namespace files {

Json::Value calibrationToValue(const api::DeviceIntri& intri);
FileResult calibrationFromValue(const Json::Value& value, api::DeviceIntri& intri);
// Whether every number of the calibration is finite.
bool calibrationIsFinite(const api::DeviceIntri& intri);

}  // namespace files
}  // namespace norvik
