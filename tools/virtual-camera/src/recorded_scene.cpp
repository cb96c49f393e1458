#include "recorded_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "json_input.h"
#include "renderer.h"

namespace quorix {
namespace virtualcam {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxSide = 16384;
// What the frames of one scene may take in memory; a larger recording is refused rather than half-loaded.
constexpr std::uintmax_t kMaxSceneBytes = std::uintmax_t(4) << 30;
// scene.json names files and sizes; it is never anywhere near this long.
constexpr std::uintmax_t kMaxIndexBytes = 16u << 20;

// Exactly size bytes of the file at path. False with the reason when it is of another size or unreadable;
// the size is checked before anything is read.
bool readFile(const fs::path& path, std::uintmax_t size, std::string& bytes, std::string& reason) {
    std::error_code ec;
    const std::uintmax_t actual = fs::file_size(path, ec);
    if (ec) return reason = "cannot be read: " + ec.message(), false;
    if (actual != size)
        return reason = "is " + std::to_string(actual) + " bytes, not " + std::to_string(size) + " bytes",
               false;
    std::ifstream in(path, std::ios::binary);
    bytes.assign(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size)) ||
        in.peek() != std::ifstream::traits_type::eof())
        return reason = "cannot be read whole", false;
    return true;
}

// The file a frame names: inside the scene folder (canonical) and reached without leaving it, so no
// absolute name, no "..", and no link leading out. False with the reason.
bool fileInside(const fs::path& folder, const std::string& name, fs::path& file, std::string& reason) {
    const fs::path relative(name);
    if (relative.empty() || relative.has_root_path())
        return reason = "is not a name inside the scene folder", false;
    for (const fs::path& part : relative)
        if (part == "..") return reason = "leads out of the scene folder", false;
    std::error_code ec;
    file = fs::canonical(folder / relative, ec);
    if (ec) return reason = "cannot be found: " + ec.message(), false;
    if (std::mismatch(folder.begin(), folder.end(), file.begin(), file.end()).first != folder.end())
        return reason = "leads out of the scene folder", false;
    if (!fs::is_regular_file(file, ec)) return reason = "is not a regular file", false;
    return true;
}

// Reads the file a frame names into bytes, of exactly size bytes. False with the message naming the entry.
bool frameFile(const fs::path& folder, const Json::Value& name, std::uintmax_t size, const std::string& where,
               std::string& bytes, std::string& error) {
    fs::path file;
    std::string reason;
    if (!fileInside(folder, name.asString(), file, reason) || !readFile(file, size, bytes, reason))
        return error = where + ": \"" + name.asString() + "\" " + reason, false;
    return true;
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

bool RecordedScene::load(const std::string& folderName, std::string& error) {
    try {
        return loadFrom(folderName, error);
    } catch (const std::bad_alloc&) {
        return error = folderName + ": not enough memory for the scene", false;
    }
}

bool RecordedScene::loadFrom(const std::string& folderName, std::string& error) {
    const std::string index = folderName + "/scene.json";
    std::error_code ec;
    const fs::path folder = fs::canonical(folderName, ec);
    if (ec) return error = folderName + ": cannot be read: " + ec.message(), false;
    std::string text;
    Json::Value scene;
    std::string errors;
    const std::uintmax_t indexBytes = fs::file_size(folder / "scene.json", ec);
    if (ec || indexBytes > kMaxIndexBytes || !readFile(folder / "scene.json", indexBytes, text, errors))
        return error = index + ": cannot be read", false;
    if (!parseJsonInput(text, JsonDialect::Lenient, scene, errors) || !scene.isObject())
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
        // In memory: the colour image, its gray copy and the raw depth samples.
        if (std::uintmax_t(i + 1) * (colorBytes + colorBytes / 3 + depthCount * 2) > kMaxSceneBytes)
            return error = where + ": the scene needs more than " + std::to_string(kMaxSceneBytes >> 30) +
                           " GiB of memory",
                   false;
        if (!frameFile(folder, frame["color"], colorBytes, where, color, error) ||
            !frameFile(folder, frame["depth"], depthCount * 4, where, depth, error))
            return false;
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
