#include "scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorix {
namespace virtualcam {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The depth camera: 1 m above the ground, 400 mm back, looking 20 degrees away from straight down.
constexpr Vec3 kDepthCentre = {0.0, -400.0, 1000.0};
constexpr double kTiltDeg = 20.0;
constexpr double kNoHit = std::numeric_limits<double>::infinity();

std::vector<SceneObject> withTrigonometry(std::vector<SceneObject> objects) {
    for (auto& o : objects) {
        o.cosYaw = std::cos(o.yawDeg * kPi / 180);
        o.sinYaw = std::sin(o.yawDeg * kPi / 180);
    }
    return objects;
}

const std::vector<SceneObject> kObjects = withTrigonometry({
    {"red box", Shape::Box, -250, -120, 20, 180, 130, 110, {0.10f, 0.12f, 0.80f}},
    {"green box", Shape::Box, 210, 150, -15, 130, 130, 190, {0.15f, 0.70f, 0.12f}},
    {"blue cylinder", Shape::Cylinder, 270, -190, 0, 65, 0, 150, {0.85f, 0.25f, 0.10f}},
    {"yellow sphere", Shape::Sphere, -200, 230, 0, 85, 0, 0, {0.10f, 0.80f, 0.85f}},
    {"magenta cylinder", Shape::Cylinder, 10, 20, 0, 50, 0, 230, {0.75f, 0.12f, 0.75f}},
});

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
double dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// World-from-depth-camera rotation: camera x along world x, camera z (forward) down and ahead, y = z cross x.
void depthRotation(double m[3][3]) {
    const double a = kTiltDeg * kPi / 180.0;
    const Vec3 x = {1, 0, 0};
    const Vec3 z = {0, std::sin(a), -std::cos(a)};
    const Vec3 y = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    for (int r = 0; r < 3; ++r) {
        m[r][0] = x[r];
        m[r][1] = y[r];
        m[r][2] = z[r];
    }
}

// The eight corners of an object's bounding box in the world.
std::array<Vec3, 8> boundingCorners(const SceneObject& o) {
    double rx, ry, h;
    if (o.shape == Shape::Box) {
        const double c = std::abs(std::cos(o.yawDeg * kPi / 180)),
                     s = std::abs(std::sin(o.yawDeg * kPi / 180));
        rx = (o.sizeX * c + o.sizeY * s) / 2;
        ry = (o.sizeX * s + o.sizeY * c) / 2;
        h = o.height;
    } else {
        rx = ry = o.sizeX;
        h = o.shape == Shape::Sphere ? 2 * o.sizeX : o.height;
    }
    std::array<Vec3, 8> corners;
    for (int i = 0; i < 8; ++i)
        corners[i] = {o.x + ((i & 1) ? rx : -rx), o.y + ((i & 2) ? ry : -ry), (i & 4) ? h : 0.0};
    return corners;
}

void computeRects(View& view) {
    const Pinhole& p = view.pinhole;
    view.objectRects.clear();
    for (const auto& o : kObjects) {
        double x0 = kNoHit, y0 = kNoHit, x1 = -kNoHit, y1 = -kNoHit;
        bool behind = false;
        for (const auto& corner : boundingCorners(o)) {
            const Vec3 d = sub(corner, view.centre);
            double c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = view.m[0][k] * d[0] + view.m[1][k] * d[1] + view.m[2][k] * d[2];
            if (c[2] < 1.0) {
                behind = true;
                break;
            }
            const double u = p.fx * c[0] / c[2] + p.cx, v = p.fy * c[1] / c[2] + p.cy;
            x0 = std::min(x0, u), x1 = std::max(x1, u), y0 = std::min(y0, v), y1 = std::max(y1, v);
        }
        if (behind) {
            view.objectRects.push_back({0, 0, p.width - 1, p.height - 1});
            continue;
        }
        // One pixel of margin; clamped so that off-image rectangles become empty.
        auto clampTo = [](double value, int hi) {
            return static_cast<int>(std::clamp(value, -1.0, double(hi)));
        };
        view.objectRects.push_back(
            {clampTo(std::floor(x0) - 1, p.width), clampTo(std::floor(y0) - 1, p.height),
             clampTo(std::ceil(x1) + 1, p.width), clampTo(std::ceil(y1) + 1, p.height)});
    }
}

bool hitBox(const SceneObject& o, const Vec3& origin, const Vec3& dir, double& tBest, Vec3& normal) {
    const double c = o.cosYaw, s = o.sinYaw;
    // Into the box's frame: turn by -yaw about the vertical.
    const double ox = origin[0] - o.x, oy = origin[1] - o.y;
    const double lo[3] = {c * ox + s * oy, -s * ox + c * oy, origin[2]};
    const double ld[3] = {c * dir[0] + s * dir[1], -s * dir[0] + c * dir[1], dir[2]};
    const double mins[3] = {-o.sizeX / 2, -o.sizeY / 2, 0}, maxs[3] = {o.sizeX / 2, o.sizeY / 2, o.height};
    double tNear = -kNoHit, tFar = kNoHit;
    int axis = -1;
    double sign = 0;
    for (int k = 0; k < 3; ++k) {
        if (std::abs(ld[k]) < 1e-12) {
            if (lo[k] < mins[k] || lo[k] > maxs[k]) return false;
            continue;
        }
        double t0 = (mins[k] - lo[k]) / ld[k], t1 = (maxs[k] - lo[k]) / ld[k];
        double entrySign = -1;
        if (t0 > t1) std::swap(t0, t1), entrySign = 1;
        if (t0 > tNear) tNear = t0, axis = k, sign = entrySign;
        tFar = std::min(tFar, t1);
        if (tNear > tFar) return false;
    }
    if (axis < 0 || tNear <= 0 || tNear >= tBest) return false;
    tBest = tNear;
    const double n[3] = {axis == 0 ? sign : 0, axis == 1 ? sign : 0, axis == 2 ? sign : 0};
    normal = {c * n[0] - s * n[1], s * n[0] + c * n[1], n[2]};
    return true;
}

bool hitCylinder(const SceneObject& o, const Vec3& origin, const Vec3& dir, double& tBest, Vec3& normal) {
    const double ox = origin[0] - o.x, oy = origin[1] - o.y, r = o.sizeX;
    bool found = false;
    // Top cap first: seen from above it is the nearer surface.
    if (dir[2] < 0) {
        const double t = (o.height - origin[2]) / dir[2];
        const double px = ox + t * dir[0], py = oy + t * dir[1];
        if (t > 0 && t < tBest && px * px + py * py <= r * r) {
            tBest = t;
            normal = {0, 0, 1};
            found = true;
        }
    }
    const double a = dir[0] * dir[0] + dir[1] * dir[1];
    if (a > 1e-12) {
        const double b = 2 * (ox * dir[0] + oy * dir[1]), cc = ox * ox + oy * oy - r * r;
        const double disc = b * b - 4 * a * cc;
        if (disc >= 0) {
            const double t = (-b - std::sqrt(disc)) / (2 * a);
            const double z = origin[2] + t * dir[2];
            if (t > 0 && t < tBest && z >= 0 && z <= o.height) {
                tBest = t;
                normal = {(ox + t * dir[0]) / r, (oy + t * dir[1]) / r, 0};
                found = true;
            }
        }
    }
    return found;
}

bool hitSphere(const SceneObject& o, const Vec3& origin, const Vec3& dir, double& tBest, Vec3& normal) {
    const Vec3 centre = {o.x, o.y, o.sizeX};
    const Vec3 oc = sub(origin, centre);
    const double a = dot(dir, dir), b = 2 * dot(oc, dir), c = dot(oc, oc) - o.sizeX * o.sizeX;
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return false;
    const double t = (-b - std::sqrt(disc)) / (2 * a);
    if (t <= 0 || t >= tBest) return false;
    tBest = t;
    for (int k = 0; k < 3; ++k) normal[k] = (origin[k] + t * dir[k] - centre[k]) / o.sizeX;
    return true;
}

}  // namespace

const std::vector<SceneObject>& sceneObjects() {
    return kObjects;
}

View depthView(const Rig& rig) {
    View view;
    depthRotation(view.m);
    view.centre = kDepthCentre;
    view.pinhole = rig.depth;
    computeRects(view);
    return view;
}

View colorView(const Rig& rig) {
    // p2d = R p3d + t, so the 2D camera's axes in the depth frame are the rows of R and its centre is -R^T t.
    double md[3][3];
    depthRotation(md);
    View view;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            view.m[i][j] = 0;
            for (int k = 0; k < 3; ++k) view.m[i][j] += md[i][k] * rig.rotation[j][k];
        }
    double centreInDepth[3];
    for (int k = 0; k < 3; ++k) {
        centreInDepth[k] = 0;
        for (int j = 0; j < 3; ++j) centreInDepth[k] -= rig.rotation[j][k] * rig.translationMm[j];
    }
    for (int i = 0; i < 3; ++i) {
        view.centre[i] = kDepthCentre[i];
        for (int k = 0; k < 3; ++k) view.centre[i] += md[i][k] * centreInDepth[k];
    }
    view.pinhole = rig.color;
    computeRects(view);
    return view;
}

Hit castRay(const View& view, const Vec3& dir, const std::vector<int>* candidates) {
    Hit hit;
    double tBest = groundDistance(view, dir);
    if (tBest < kNoHit) {
        hit.object = 0;
        hit.normal = {0, 0, 1};
    }
    auto test = [&](int k) {
        const SceneObject& o = kObjects[static_cast<std::size_t>(k)];
        Vec3 normal;
        bool found = false;
        switch (o.shape) {
            case Shape::Box:
                found = hitBox(o, view.centre, dir, tBest, normal);
                break;
            case Shape::Cylinder:
                found = hitCylinder(o, view.centre, dir, tBest, normal);
                break;
            case Shape::Sphere:
                found = hitSphere(o, view.centre, dir, tBest, normal);
                break;
        }
        if (found) hit.object = k + 1, hit.normal = normal;
    };
    if (candidates != nullptr) {
        for (int k : *candidates) test(k);
    } else {
        for (int k = 0; k < static_cast<int>(kObjects.size()); ++k) test(k);
    }
    if (hit.object < 0) return hit;
    hit.t = tBest;
    for (int k = 0; k < 3; ++k) hit.point[k] = view.centre[k] + tBest * dir[k];
    return hit;
}

void objectsOnRow(const View& view, int v, std::vector<int>& out) {
    out.clear();
    for (std::size_t k = 0; k < view.objectRects.size(); ++k) {
        const auto& r = view.objectRects[k];
        if (v >= r[1] && v <= r[3] && r[0] <= r[2]) out.push_back(static_cast<int>(k));
    }
}

const char* surfaceName(int object) {
    if (object < 0) return "";
    if (object == 0) return "ground";
    return kObjects[static_cast<std::size_t>(object - 1)].name;
}

std::array<double, 4> groundInDepthFrame(const Rig&) {
    // World z = 0 with normal +z; in the depth frame the normal is M^T (0, 0, 1) and the offset -z(centre).
    double m[3][3];
    depthRotation(m);
    return {m[2][0], m[2][1], m[2][2], -kDepthCentre[2]};
}

}  // namespace virtualcam
}  // namespace quorix
