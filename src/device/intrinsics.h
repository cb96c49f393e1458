#pragma once

// Turning the camera's calibration and image-size replies into their records.

#include <json/json.h>

#include <string>

#include "quorix/Types.h"

namespace norvik {
namespace device {

enum class IntrinsicsParse { Ok, WrongShape, NotANumber };

// One camera object: "intrinsic" with 4 numbers and "dist_coefficients" with 5. out is written only on Ok.
IntrinsicsParse parseCameraIntri(const Json::Value& object, api::CameraIntrinsics& out);

// The pose of the depth camera in the 2D camera's frame: translation in metres, then quaternion w, x, y, z.
void poseFromWire(const double (&pose)[7], api::DeviceIntri& out);

// A whole "GetGroupIntri" reply. Camera records converted before a fault stay written in out.
api::ErrorStatus parseDeviceIntri(const Json::Value& reply, api::DeviceIntri& out);

// A "GetImageFormat" reply. False with error, out untouched, unless both sizes are [width, height] of
// non-negative integers.
bool parseImageFormat(const Json::Value& reply, api::DeviceResolution& out, std::string& error);

}  // namespace device
}  // namespace norvik
