#include "scene_recorder.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "device_text.h"
#include "quorixexport/calibration_file.h"

namespace quorix {
namespace tool {

namespace files = norvik::files;

namespace api = norvik::api;

namespace {

bool writeRaw(const std::string& path, const void* bytes, std::size_t size, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    out.close();
    if (!out) error = path + ": could not be written";
    return static_cast<bool>(out);
}

std::string frameName(int index, const char* suffix) {
    char name[48];
    std::snprintf(name, sizeof name, "frame-%04d-%s", index, suffix);
    return name;
}

}  // namespace

SceneRecorder::~SceneRecorder() {
    if (folder_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

bool SceneRecorder::open(const std::string& folder, const api::QuorixDevice& device, bool overwrite,
                         std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fs::path(folder).lexically_normal();
    if (!target.has_filename()) target = target.parent_path();  // "scene/" names the folder "scene"
    const bool emptyFolder = fs::is_directory(target, ec) && fs::is_empty(target, ec);
    if (fs::exists(fs::symlink_status(target, ec)) && !emptyFolder && !overwrite) {
        error = folder + ": already exists; --overwrite replaces it once the new recording is complete";
        return false;
    }
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::create_directories(parent, ec);
    std::string pattern = (parent / ("." + target.filename().string() + ".recording-XXXXXX")).string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        error = folder + ": cannot be created (" + (ec ? ec.message() : std::strerror(errno)) + ")";
        return false;
    }
    folder_ = pattern;
    target_ = target.string();
    // A working folder is private; the recording gets the permissions of an ordinary new folder.
    fs::permissions(folder_,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    ec);
    api::QuorixDeviceInfo info;
    api::DeviceIntri intri;
    api::DeviceResolution resolution;
    api::ErrorStatus status = device.getDeviceInfo(info);
    if (status.isOk()) status = device.getDeviceIntri(intri);
    if (status.isOk()) status = device.getDeviceResolution(resolution);
    if (!status.isOk()) {
        error = "cannot read the camera's description: " + status.message;
        return false;
    }
    scene_ = Json::Value(Json::objectValue);
    scene_["format"] = "quorix-recorded-scene";
    scene_["version"] = 1;
    scene_["identity"] = identityToJson(info);
    scene_["resolution"] = resolutionToJson(resolution);
    scene_["calibration"] = files::calibrationToValue(intri);
    scene_["frames"] = Json::Value(Json::arrayValue);
    return true;
}

bool SceneRecorder::addFrame(const api::Frame<api::ElementColor>& color,
                             const api::Frame<api::ElementDepth>& depth, std::string& error) {
    if (color.empty() || depth.empty()) {
        error = "a recorded frame needs both a 2D image and a depth map";
        return false;
    }
    const int index = static_cast<int>(scene_["frames"].size()) + 1;
    Json::Value frame(Json::objectValue);
    frame["color"] = frameName(index, "color.bgr");
    frame["colorWidth"] = color.width();
    frame["colorHeight"] = color.height();
    frame["depth"] = frameName(index, "depth.f32");
    frame["depthWidth"] = depth.width();
    frame["depthHeight"] = depth.height();
    // Depths are stored as the host received them: little-endian 32-bit floats in millimetres.
    const std::size_t depthCount = static_cast<std::size_t>(depth.width()) * depth.height();
    std::string depthBytes(depthCount * 4, '\0');
    for (std::size_t i = 0; i < depthCount; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &depth.data()[i].d, 4);
        for (int b = 0; b < 4; ++b) depthBytes[i * 4 + b] = static_cast<char>(bits >> (8 * b));
    }
    if (!writeRaw(folder_ + "/" + frame["color"].asString(), color.data(),
                  static_cast<std::size_t>(color.width()) * color.height() * 3, error) ||
        !writeRaw(folder_ + "/" + frame["depth"].asString(), depthBytes.data(), depthBytes.size(), error))
        return false;
    scene_["frames"].append(frame);
    return true;
}

bool SceneRecorder::finish(std::string& error) {
    namespace fs = std::filesystem;
    const files::FileResult written = files::writeTextFile(folder_ + "/scene.json", toJsonText(scene_));
    if (!written.ok()) {
        error = written.error;
        return false;
    }
    // The old recording (or an empty folder) is moved aside, the new one renamed into place, and only then is
    // the old one removed.
    std::error_code ec;
    std::string aside;
    if (fs::exists(fs::symlink_status(target_, ec))) {
        aside = folder_ + ".replaced";
        fs::rename(target_, aside, ec);
        if (ec) {
            error = target_ + ": cannot be replaced (" + ec.message() + ")";
            return false;
        }
    }
    fs::rename(folder_, target_, ec);
    if (ec) {
        if (!aside.empty()) fs::rename(aside, target_, ec);
        error = target_ + ": the recording cannot be moved into place (" + ec.message() + ")";
        return false;
    }
    folder_.clear();
    if (!aside.empty()) fs::remove_all(aside, ec);
    return true;
}

}  // namespace tool
}  // namespace quorix
