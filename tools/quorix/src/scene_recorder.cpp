#include "scene_recorder.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "device_text.h"
#include "quorixexport/calibration_file.h"

namespace quorix {
namespace tool {

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

bool SceneRecorder::open(const std::string& folder, const api::QuorixDevice& device, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder + ": cannot be created (" + ec.message() + ")";
        return false;
    }
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
    folder_ = folder;
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
    const files::FileResult written = files::writeTextFile(folder_ + "/scene.json", toJsonText(scene_));
    error = written.error;
    return written.ok();
}

}  // namespace tool
}  // namespace quorix
