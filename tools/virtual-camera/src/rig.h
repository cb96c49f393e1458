#pragma once

// The calibrated camera pair: a depth camera and a 2D camera, pinhole models without distortion (the images
// are delivered rectified) and the pose of the depth camera in the 2D camera's frame: p2d = R * p3d + t.

#include <json/json.h>

#include "virtualcam/virtual_camera.h"

namespace quorix {
namespace virtualcam {

struct Pinhole {
    double fx = 0, fy = 0, cx = 0, cy = 0;
    int width = 0, height = 0;
};

struct Rig {
    Pinhole depth;
    Pinhole color;
    double quaternion[4] = {1, 0, 0, 0};  // w, x, y, z, unit length
    double rotation[3][3] = {};           // from the quaternion
    double translationMm[3] = {};
};

// The rig for the given image sizes. The VELA camera's high-resolution capture mode uses a slightly different
// depth calibration when that behaviour is switched on.
Rig makeRig(ImageSize colorSize, ImageSize depthSize, bool highResolutionCalibration);

// The "camera_intri" object: metres and quaternion w, x, y, z for the pose.
Json::Value calibrationJson(const Rig& rig);

}  // namespace virtualcam
}  // namespace quorix
