#include "rig.h"

#include <cmath>

#include "transport/protocol_names.h"

namespace quorix {
namespace virtualcam {

namespace member = norvik::protocol::member;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Focal lengths relative to the image width give both imagers a field of view of about 57 degrees.
constexpr double kDepthFocalPerWidth = 0.92;
constexpr double kColorFocalPerWidth = 0.95;
// The depth camera sits about 62 mm beside the 2D camera, turned by about 3 degrees.
constexpr double kTranslationMm[3] = {-62.5, 1.8, 7.3};
constexpr double kRotationAxis[3] = {0.25, 0.95, 0.12};
constexpr double kRotationDeg = 3.2;

Pinhole pinhole(ImageSize size, double focalPerWidth, double offsetX, double offsetY, double aspect) {
    Pinhole p;
    p.width = size.width;
    p.height = size.height;
    p.fx = focalPerWidth * size.width;
    p.fy = p.fx * aspect;
    p.cx = (size.width - 1) / 2.0 + offsetX;
    p.cy = (size.height - 1) / 2.0 + offsetY;
    return p;
}

Json::Value cameraJson(const Pinhole& p) {
    Json::Value camera(Json::objectValue);
    Json::Value& intrinsic = camera[member::Intrinsic] = Json::Value(Json::arrayValue);
    for (double v : {p.fx, p.fy, p.cx, p.cy}) intrinsic.append(v);
    Json::Value& dist = camera[member::DistCoefficients] = Json::Value(Json::arrayValue);
    for (int i = 0; i < 5; ++i) dist.append(0.0);
    return camera;
}

}  // namespace

Rig makeRig(ImageSize colorSize, ImageSize depthSize, bool highResolutionCalibration) {
    Rig rig;
    rig.depth = pinhole(depthSize, kDepthFocalPerWidth, 3.7, -2.9, 0.9997);
    if (highResolutionCalibration) {
        rig.depth.fx *= 1.04;
        rig.depth.fy *= 1.04;
        rig.depth.cx += 1.5;
        rig.depth.cy -= 1.0;
    }
    rig.color = pinhole(colorSize, kColorFocalPerWidth, -4.1, 1.6, 1.0002);

    const double norm = std::sqrt(kRotationAxis[0] * kRotationAxis[0] + kRotationAxis[1] * kRotationAxis[1] +
                                  kRotationAxis[2] * kRotationAxis[2]);
    const double half = kRotationDeg * kPi / 180.0 / 2.0;
    rig.quaternion[0] = std::cos(half);
    for (int i = 0; i < 3; ++i) rig.quaternion[i + 1] = std::sin(half) * kRotationAxis[i] / norm;
    const double w = rig.quaternion[0], x = rig.quaternion[1], y = rig.quaternion[2], z = rig.quaternion[3];
    const double r[3][3] = {
        {1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
        {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
        {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)},
    };
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) rig.rotation[i][j] = r[i][j];
        rig.translationMm[i] = kTranslationMm[i];
    }
    return rig;
}

Json::Value calibrationJson(const Rig& rig) {
    Json::Value intri(Json::objectValue);
    intri[member::Intrinsic2DCamera] = cameraJson(rig.color);
    intri[member::Intrinsic3DCamera] = cameraJson(rig.depth);
    Json::Value& pose = intri[member::Cam3DInCam2D] = Json::Value(Json::arrayValue);
    for (double t : rig.translationMm) pose.append(t / 1000.0);
    for (double q : rig.quaternion) pose.append(q);
    return intri;
}

}  // namespace virtualcam
}  // namespace quorix
