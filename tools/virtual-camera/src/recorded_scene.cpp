#include "recorded_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>

#include "renderer.h"

namespace quorix {
namespace virtualcam {

namespace {

constexpr int kMaxSide = 16384;

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return !in.bad();
}

bool number(const Json::Value& object, const char* name, double& out) {
    const Json::Value& value = object[name];
    if (!value.isNumeric()) return false;
    out = value.asDouble();
    return true;
}

bool side(const Json::Value& object, const char* name, int& out) {
    const Json::Value& value = object[name];
    if (!value.isInt() || value.asInt() < 1 || value.asInt() > kMaxSide) return false;
    out = value.asInt();
    return true;
}

bool pinhole(const Json::Value& camera, Pinhole& out) {
    return camera.isObject() && number(camera, "fx", out.fx) && number(camera, "fy", out.fy) &&
           number(camera, "cx", out.cx) && number(camera, "cy", out.cy);
}

// Unit quaternion w, x, y, z of a rotation matrix (Shepperd's method: divide by the largest term).
void quaternionOf(const double r[3][3], double q[4]) {
    const double trace = r[0][0] + r[1][1] + r[2][2];
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        q[0] = 0.25 * s, q[1] = (r[2][1] - r[1][2]) / s, q[2] = (r[0][2] - r[2][0]) / s,
        q[3] = (r[1][0] - r[0][1]) / s;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const double s = std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]) * 2;
        q[0] = (r[2][1] - r[1][2]) / s, q[1] = 0.25 * s, q[2] = (r[0][1] + r[1][0]) / s,
        q[3] = (r[0][2] + r[2][0]) / s;
    } else if (r[1][1] > r[2][2]) {
        const double s = std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]) * 2;
        q[0] = (r[0][2] - r[2][0]) / s, q[1] = (r[0][1] + r[1][0]) / s, q[2] = 0.25 * s,
        q[3] = (r[1][2] + r[2][1]) / s;
    } else {
        const double s = std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]) * 2;
        q[0] = (r[1][0] - r[0][1]) / s, q[1] = (r[0][2] + r[2][0]) / s, q[2] = (r[1][2] + r[2][1]) / s,
        q[3] = 0.25 * s;
    }
}

bool calibration(const Json::Value& c, Rig& rig) {
    if (!c.isObject() || !pinhole(c["camera2D"], rig.color) || !pinhole(c["camera3D"], rig.depth))
        return false;
    const Json::Value& rotation = c["rotation"];
    const Json::Value& translation = c["translation"];
    if (!rotation.isArray() || rotation.size() != 3 || !translation.isArray() || translation.size() != 3)
        return false;
    for (Json::ArrayIndex i = 0; i < 3; ++i) {
        if (!rotation[i].isArray() || rotation[i].size() != 3 || !translation[i].isNumeric()) return false;
        rig.translationMm[i] = translation[i].asDouble();
        for (Json::ArrayIndex j = 0; j < 3; ++j) {
            if (!rotation[i][j].isNumeric()) return false;
            rig.rotation[i][j] = rotation[i][j].asDouble();
        }
    }
    quaternionOf(rig.rotation, rig.quaternion);
    return true;
}

}  // namespace

bool RecordedScene::load(const std::string& folder, std::string& error) {
    const std::string index = folder + "/scene.json";
    std::string text;
    Json::Value scene;
    std::string errors;
    Json::CharReaderBuilder builder;
    std::istringstream stream;
    if (!readFile(index, text)) return error = index + ": cannot be read", false;
    stream.str(text);
    if (!Json::parseFromStream(builder, stream, &scene, &errors) || !scene.isObject())
        return error = index + ": not a JSON object", false;
    if (!calibration(scene["calibration"], rig_))
        return error = index + ": missing or invalid \"calibration\"", false;
    const Json::Value& frames = scene["frames"];
    if (!frames.isArray() || frames.empty()) return error = index + ": no \"frames\"", false;
    for (Json::ArrayIndex i = 0; i < frames.size(); ++i) {
        const Json::Value& frame = frames[i];
        int cw = 0, ch = 0, dw = 0, dh = 0;
        const std::string where = index + ": frame " + std::to_string(i + 1);
        if (!frame.isObject() || !side(frame, "colorWidth", cw) || !side(frame, "colorHeight", ch) ||
            !side(frame, "depthWidth", dw) || !side(frame, "depthHeight", dh) || !frame["color"].isString() ||
            !frame["depth"].isString())
            return error = where + " lacks its files or sizes", false;
        if (i == 0)
            rig_.color.width = cw, rig_.color.height = ch, rig_.depth.width = dw, rig_.depth.height = dh;
        if (cw != rig_.color.width || ch != rig_.color.height || dw != rig_.depth.width ||
            dh != rig_.depth.height)
            return error = where + " has other sizes than the first", false;
        std::string color, depth;
        const std::size_t colorBytes = std::size_t(cw) * ch * 3, depthCount = std::size_t(dw) * dh;
        if (!readFile(folder + "/" + frame["color"].asString(), color) || color.size() != colorBytes)
            return error = where + ": " + frame["color"].asString() + " missing or not " +
                           std::to_string(colorBytes) + " bytes",
                   false;
        if (!readFile(folder + "/" + frame["depth"].asString(), depth) || depth.size() != depthCount * 4)
            return error = where + ": " + frame["depth"].asString() + " missing or not " +
                           std::to_string(depthCount * 4) + " bytes",
                   false;
        // Millimetres back to the raw samples a capture carries; 0 is the no-measurement offset itself.
        std::string raw(depthCount * 2, '\0');
        for (std::size_t p = 0; p < depthCount; ++p) {
            std::uint32_t bits = 0;
            for (int b = 0; b < 4; ++b)
                bits |= std::uint32_t(static_cast<unsigned char>(depth[p * 4 + b])) << (8 * b);
            float mm;
            std::memcpy(&mm, &bits, 4);
            const double units = std::isfinite(mm) && mm > 0 ? std::round(mm * kDepthScale) : 0.0;
            const auto sample = static_cast<std::uint16_t>(32768 + std::min(units, 32767.0));
            raw[p * 2] = static_cast<char>(sample & 0xFF);
            raw[p * 2 + 1] = static_cast<char>(sample >> 8);
        }
        std::string gray(std::size_t(cw) * ch, '\0');
        for (std::size_t p = 0; p < gray.size(); ++p) gray[p] = color[p * 3 + 1];
        depths_.push_back(std::move(raw));
        colors_.push_back(std::move(color));
        grays_.push_back(std::move(gray));
    }
    return true;
}

const std::string& RecordedScene::nextDepth() {
    const std::string& payload = depths_[nextDepth_];
    nextDepth_ = (nextDepth_ + 1) % depths_.size();
    return payload;
}

const std::string& RecordedScene::nextColor(bool gray) {
    const std::string& payload = gray ? grays_[nextColor_] : colors_[nextColor_];
    nextColor_ = (nextColor_ + 1) % colors_.size();
    return payload;
}

}  // namespace virtualcam
}  // namespace quorix
