#include "renderer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "hdr_sequence.h"
#include "scene.h"
#include "transport/protocol_names.h"

namespace quorix {
namespace virtualcam {

namespace p = norvik::protocol::parameter;
namespace member = norvik::protocol::member;

namespace {

constexpr double kReferenceExposureMs = 20.0;   // 2D exposure at which the image is exposed as designed
constexpr double kReferenceGray = 100.0;        // mean level of the scene at the reference exposure
constexpr double kReference3DExposureMs = 8.0;  // 3D exposure at which the fringes reach full contrast
constexpr float kAmbient = 0.35f, kDiffuse = 0.65f;
constexpr Vec3 kLight = {0.30860669992418382, -0.39678004275966492, 0.86449474108012468};  // unit, world

enum ExposureMode { Timed = 0, Auto = 1, Hdr = 2, Flash = 3 };

// Region {x0, y0, x1, y1} (exclusive ends); an empty region means the whole image.
struct Region {
    int x0, y0, x1, y1;
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

Region regionOf(const Json::Value& roi, int width, int height) {
    const int x = roi[member::RoiX].asInt(), y = roi[member::RoiY].asInt();
    const int w = roi[member::RoiWidth].asInt(), h = roi[member::RoiHeight].asInt();
    if (w == 0 || h == 0) return {0, 0, width, height};
    return {x, y, x + w, y + h};
}

std::uint32_t mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Deterministic noise in [-1, 1] (triangular) for pixel i of an image rendered with seed.
float noise(std::uint32_t i, std::uint32_t seed) {
    const std::uint32_t h = mix(i * 2654435761U ^ seed);
    return ((h & 0xFFFF) + (h >> 16)) / 65535.0f - 1.0f;
}

float luminance(const std::array<float, 3>& bgr) {
    return 0.114f * bgr[0] + 0.587f * bgr[1] + 0.299f * bgr[2];
}

std::string keyOf(const Rig& rig, const Json::Value& parameters, const char* const* names, std::size_t count,
                  const std::string& extra) {
    Json::Value key(Json::objectValue);
    for (std::size_t i = 0; i < count; ++i) key[names[i]] = parameters[names[i]];
    Json::Value& cams = key["rig"] = Json::Value(Json::arrayValue);
    for (const Pinhole* c : {&rig.depth, &rig.color})
        for (double v : {c->fx, c->fy, c->cx, c->cy, double(c->width), double(c->height)}) cams.append(v);
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, key) + extra;
}

std::uint32_t seedOf(const std::string& key) {
    return static_cast<std::uint32_t>(std::hash<std::string>{}(key));
}

}  // namespace

const std::string& Renderer::depth(const Rig& rig, const Json::Value& parameters) {
    static const char* const kShaping[] = {
        p::Scan3DROI,           p::DepthLowerLimit,     p::DepthUpperLimit,
        p::Scan3DGain,          p::Scan3DExposureCount, p::Scan3DExposureTime,
        p::Scan3DExposureTime2, p::Scan3DExposureTime3, p::FringeContrastThreshold,
        p::FringeMinThreshold,  p::ProjectorPowerLevel, p::CloudSmoothMode};
    std::string key = keyOf(rig, parameters, kShaping, std::size(kShaping), {});
    if (key == depthKey_ && !depth_.empty()) return depth_;

    const View view = depthView(rig);
    const int width = view.pinhole.width, height = view.pinhole.height;
    const Region roi = regionOf(parameters[p::Scan3DROI], width, height);
    const double lower = parameters[p::DepthLowerLimit].asDouble(),
                 upper = parameters[p::DepthUpperLimit].asDouble();
    const unsigned count = std::clamp(parameters[p::Scan3DExposureCount].asUInt(), 1U, 3U);
    double exposure = parameters[p::Scan3DExposureTime].asDouble();
    if (count >= 2) exposure += parameters[p::Scan3DExposureTime2].asDouble();
    if (count >= 3) exposure += parameters[p::Scan3DExposureTime3].asDouble();
    const float power =
        std::array<float, 3>{1.0f, 0.8f, 0.6f}[std::clamp(parameters[p::ProjectorPowerLevel].asInt(), 0, 2)];
    const float signal = power * static_cast<float>(std::min(1.0, exposure / kReference3DExposureMs));
    const float contrastThreshold = static_cast<float>(parameters[p::FringeContrastThreshold].asInt());
    const float minThreshold = static_cast<float>(parameters[p::FringeMinThreshold].asInt());
    // Gain amplifies the fringe noise; more exposures and smoothing average it down.
    const double sigmaMm = 0.04 * (1.0 + parameters[p::Scan3DGain].asDouble() / 2.0) /
                           std::sqrt(double(count)) / (1.0 + parameters[p::CloudSmoothMode].asInt());
    const std::uint32_t seed = seedOf(key);

    depth_.assign(static_cast<std::size_t>(width) * height * 2, '\0');
    char* out = depth_.data();
#pragma omp parallel
    {
        std::vector<int> candidates, here;
#pragma omp for schedule(static)
        for (int v = 0; v < height; ++v) {
            objectsOnRow(view, v, candidates);
            const RowRays rays = rowRays(view, v);
            for (int u = 0; u < width; ++u) {
                const std::size_t i = static_cast<std::size_t>(v) * width + u;
                std::uint16_t raw = static_cast<std::uint16_t>(norvik::protocol::kDepthOffset);
                if (roi.contains(u, v)) {
                    objectsAt(view, candidates, u, here);
                    const Vec3 dir = rays.at(u);
                    const Hit hit = here.empty() ? castGround(view, dir) : castRay(view, dir, &here);
                    if (hit.object >= 0) {
                        const float brightness = 100.0f * luminance(albedoAt(hit)) * signal;
                        const double z = hit.t + sigmaMm * noise(static_cast<std::uint32_t>(i), seed);
                        // Fringe contrast falls with the cosine of the incidence: compared squared, no root.
                        const double cosine =
                            hit.normal[0] * dir[0] + hit.normal[1] * dir[1] + hit.normal[2] * dir[2];
                        const double needed = brightness > 0 ? contrastThreshold / brightness : 2.0;
                        const double length2 = dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2];
                        if (brightness >= minThreshold && cosine * cosine >= needed * needed * length2 &&
                            z >= lower && z <= upper) {
                            const long value =
                                static_cast<long>(z * kDepthScale + 0.5) + norvik::protocol::kDepthOffset;
                            raw = static_cast<std::uint16_t>(std::clamp(value, 32769L, 65535L));
                        }
                    }
                }
                out[2 * i] = static_cast<char>(raw & 0xFF);
                out[2 * i + 1] = static_cast<char>(raw >> 8);
            }
        }
    }
    depthKey_ = std::move(key);
    ++renders_;
    return depth_;
}

const std::string& Renderer::color(const Rig& rig, const Json::Value& parameters, bool gray) {
    static const char* const kShaping[] = {p::Scan2DROI,
                                           p::Scan2DExposureMode,
                                           p::Scan2DExposureTime,
                                           p::Scan2DExpectedGrayValue,
                                           p::Scan2DHDRExposureSequence,
                                           p::Scan2DToneMappingEnable};
    std::string key = keyOf(rig, parameters, kShaping, std::size(kShaping), gray ? "gray" : "bgr");
    if (key == colorKey_ && !color_.empty()) return color_;

    const View view = colorView(rig);
    const int width = view.pinhole.width, height = view.pinhole.height;
    const Region roi = regionOf(parameters[p::Scan2DROI], width, height);
    const int mode = parameters[p::Scan2DExposureMode].asInt();
    float factor = static_cast<float>(parameters[p::Scan2DExposureTime].asDouble() / kReferenceExposureMs);
    float ambient = kAmbient;
    bool compress = false;
    if (mode == Auto) {
        factor = static_cast<float>(parameters[p::Scan2DExpectedGrayValue].asDouble() / kReferenceGray);
    } else if (mode == Hdr) {
        std::vector<double> times;
        std::string error;
        double sum = 0;
        if (parseHdrSequence(parameters[p::Scan2DHDRExposureSequence].asString(), times, error))
            for (double t : times) sum += t;
        factor = static_cast<float>(1.6 * sum / kReferenceExposureMs);
        compress = true;
    } else if (mode == Flash) {
        factor = 1.25f;
        ambient = 0.15f;
    }
    const bool toneMapping = parameters[p::Scan2DToneMappingEnable].asBool();
    const float noiseLevels = 1.0f + 1.5f / std::sqrt(std::max(factor, 0.05f));
    const std::uint32_t seed = seedOf(key);
    const int channels = gray ? 1 : 3;

    color_.assign(static_cast<std::size_t>(width) * height * channels, '\0');
    unsigned char* out = reinterpret_cast<unsigned char*>(color_.data());
#pragma omp parallel
    {
        std::vector<int> candidates, here;
#pragma omp for schedule(static)
        for (int v = 0; v < height; ++v) {
            objectsOnRow(view, v, candidates);
            const RowRays rays = rowRays(view, v);
            for (int u = 0; u < width; ++u) {
                if (!roi.contains(u, v)) continue;
                const std::size_t i = static_cast<std::size_t>(v) * width + u;
                objectsAt(view, candidates, u, here);
                const Vec3 dir = rays.at(u);
                const Hit hit = here.empty() ? castGround(view, dir) : castRay(view, dir, &here);
                if (hit.object < 0) continue;
                const float lit =
                    std::max(0.0f, static_cast<float>(hit.normal[0] * kLight[0] + hit.normal[1] * kLight[1] +
                                                      hit.normal[2] * kLight[2]));
                const float shade = ambient + kDiffuse * lit;
                const std::array<float, 3> albedo = albedoAt(hit);
                const float n = noiseLevels * noise(static_cast<std::uint32_t>(i), seed);
                float level[3];
                for (int c = 0; c < 3; ++c) {
                    float x = albedo[static_cast<std::size_t>(c)] * shade * factor;
                    if (compress) x = x / (1.0f + x);
                    if (toneMapping) x = std::pow(std::min(x, 1.0f), 0.75f);
                    level[c] = std::clamp(255.0f * x + n, 0.0f, 255.0f);
                }
                if (gray) {
                    out[i] = static_cast<unsigned char>(0.114f * level[0] + 0.587f * level[1] +
                                                        0.299f * level[2] + 0.5f);
                } else {
                    for (int c = 0; c < 3; ++c) out[3 * i + c] = static_cast<unsigned char>(level[c] + 0.5f);
                }
            }
        }
    }
    colorKey_ = std::move(key);
    ++renders_;
    return color_;
}

}  // namespace virtualcam
}  // namespace quorix
