#pragma once

// The synthetic scene: a textured ground plane (z = 0, millimetres, z up) with boxes, cylinders and a sphere
// of distinct colours, seen by the rig from about a metre above, and the ray casting that renders it.

#include <array>
#include <limits>
#include <vector>

#include "rig.h"

namespace quorix {
namespace virtualcam {

using Vec3 = std::array<double, 3>;

enum class Shape { Box, Cylinder, Sphere };

struct SceneObject {
    const char* name;
    Shape shape;
    double x, y;                  // centre of the footprint on the ground
    double yawDeg;                // boxes: turn about the vertical
    double sizeX, sizeY, height;  // boxes: full sizes; cylinders: sizeX is the radius; spheres: sizeX radius
    std::array<float, 3> bgr;     // albedo, 0 to 1
    double cosYaw = 1, sinYaw = 0;  // of yawDeg, filled in once
};

struct Hit {
    double t = 0;     // ray parameter; with a direction whose camera z is 1 this is the depth
    int object = -1;  // -1 nothing, 0 ground, k > 0 object k - 1
    Vec3 normal{};
    Vec3 point{};
};

// One camera placed in the world: rotation world-from-camera (columns are the camera axes), centre, pinhole.
struct View {
    double m[3][3];
    Vec3 centre;
    Pinhole pinhole;
    // Per object, the image rectangle its bounding box may cover: x0, y0, x1, y1 inclusive.
    std::vector<std::array<int, 4>> objectRects;
};

const std::vector<SceneObject>& sceneObjects();

// The depth camera's and the 2D camera's views of the scene for this rig.
View depthView(const Rig& rig);
View colorView(const Rig& rig);

// Direction (world) of the ray through pixel (u, v); its camera-frame z component is 1.
inline Vec3 rayDirection(const View& view, double u, double v) {
    const double c0 = (u - view.pinhole.cx) / view.pinhole.fx, c1 = (v - view.pinhole.cy) / view.pinhole.fy;
    return {view.m[0][0] * c0 + view.m[0][1] * c1 + view.m[0][2],
            view.m[1][0] * c0 + view.m[1][1] * c1 + view.m[1][2],
            view.m[2][0] * c0 + view.m[2][1] * c1 + view.m[2][2]};
}

// The rays of one row as base + u * step, without a division per pixel.
struct RowRays {
    Vec3 base, step;
    Vec3 at(int u) const { return {base[0] + u * step[0], base[1] + u * step[1], base[2] + u * step[2]}; }
};
inline RowRays rowRays(const View& view, int v) {
    const Vec3 base = rayDirection(view, 0, v);
    const double s = 1.0 / view.pinhole.fx;
    return {base, {view.m[0][0] * s, view.m[1][0] * s, view.m[2][0] * s}};
}

// Nearest surface along the ray from the view's centre; candidates limits the objects tested (all if null).
Hit castRay(const View& view, const Vec3& direction, const std::vector<int>* candidates);

// The ground ends 100 m away: rays closer to the horizon meet nothing (and stay far from overflow).
inline constexpr double kGroundEndMm = 100000.0;

// Ray parameter at which the ray meets the ground, or infinity.
inline double groundDistance(const View& view, const Vec3& dir) {
    if (dir[2] >= 0) return std::numeric_limits<double>::infinity();
    const double t = -view.centre[2] / dir[2];
    return t <= kGroundEndMm ? t : std::numeric_limits<double>::infinity();
}

// The ground alone, for the many rays that no object can meet.
inline Hit castGround(const View& view, const Vec3& dir) {
    Hit hit;
    const double t = groundDistance(view, dir);
    if (!(t < std::numeric_limits<double>::infinity())) return hit;
    hit.t = t;
    hit.object = 0;
    hit.normal = {0, 0, 1};
    hit.point = {view.centre[0] + hit.t * dir[0], view.centre[1] + hit.t * dir[1], 0.0};
    return hit;
}

// Objects whose rectangle holds row v, for the per-row candidate lists; then those whose columns hold u.
void objectsOnRow(const View& view, int v, std::vector<int>& out);
inline void objectsAt(const View& view, const std::vector<int>& onRow, int u, std::vector<int>& out) {
    out.clear();
    for (int k : onRow) {
        const auto& r = view.objectRects[static_cast<std::size_t>(k)];
        if (u >= r[0] && u <= r[2]) out.push_back(k);
    }
}

inline constexpr double kCheckerMm = 50.0;
inline constexpr float kCheckerDark = 0.30f, kCheckerLight = 0.55f;

// Albedo (b, g, r in 0..1) of a hit, the ground's checkerboard included.
inline std::array<float, 3> albedoAt(const Hit& hit) {
    if (hit.object > 0) return sceneObjects()[static_cast<std::size_t>(hit.object - 1)].bgr;
    // Floor without a library call: truncation, one down for negative non-integers.
    auto cellOf = [](double x) {
        const long i = static_cast<long>(x);
        return i - (x < static_cast<double>(i) ? 1 : 0);
    };
    constexpr double perCell = 1.0 / kCheckerMm;
    const long cell = cellOf(hit.point[0] * perCell) + cellOf(hit.point[1] * perCell);
    const float level = (cell & 1) ? kCheckerDark : kCheckerLight;
    return {level, level, level};
}
const char* surfaceName(int object);

// The ground plane in the depth camera's frame: unit normal and offset, n . p = offset.
std::array<double, 4> groundInDepthFrame(const Rig& rig);

}  // namespace virtualcam
}  // namespace quorix
