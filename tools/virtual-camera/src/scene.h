#pragma once

// The synthetic scene: a textured ground plane (z = 0, millimetres, z up) with boxes, cylinders and a sphere
// of distinct colours, seen by the rig from about a metre above, and the ray casting that renders it.

#include <array>
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
Vec3 rayDirection(const View& view, double u, double v);
// Nearest surface along the ray from the view's centre; candidates limits the objects tested (all if null).
Hit castRay(const View& view, const Vec3& direction, const std::vector<int>* candidates);
// Objects whose rectangle holds row v, for the per-row candidate lists.
void objectsOnRow(const View& view, int v, std::vector<int>& out);

// Albedo (b, g, r in 0..1) of a hit, the ground's checkerboard included.
std::array<float, 3> albedoAt(const Hit& hit);
const char* surfaceName(int object);

// The ground plane in the depth camera's frame: unit normal and offset, n . p = offset.
std::array<double, 4> groundInDepthFrame(const Rig& rig);

}  // namespace virtualcam
}  // namespace quorix
