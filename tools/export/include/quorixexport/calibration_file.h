#pragma once

// The calibration as JSON, the form `quorix info --json` and `quorix capture` write and `quorix mask-cloud`
// reads:
//   { "camera2D": { "fx", "fy", "cx", "cy", "distortion": [k1..k5] },
//     "camera3D": { same },
//     "rotation": [[3], [3], [3]], "translation": [3] }     (translation in millimetres)
// A document holding that object as its "calibration" member is read as well.

#include <json/value.h>

#include <string>

#include "quorix/Types.h"
#include "quorixexport/result.h"

namespace quorix {
namespace files {

Json::Value calibrationToValue(const norvik::api::DeviceIntri& intri);
FileResult calibrationFromValue(const Json::Value& value, norvik::api::DeviceIntri& intri);
FileResult writeCalibration(const std::string& path, const norvik::api::DeviceIntri& intri);
// Every member is checked; a missing or mistyped one is reported by name and intri is left unchanged.
FileResult parseCalibration(const std::string& text, norvik::api::DeviceIntri& intri);
FileResult readCalibration(const std::string& path, norvik::api::DeviceIntri& intri);

// Reads a whole file; false when it cannot be opened.
bool readTextFile(const std::string& path, std::string& text);
FileResult writeTextFile(const std::string& path, const std::string& text);

}  // namespace files
}  // namespace quorix
