// quorix capture: frames from a camera into files, with the time each stage took.
#include <cstdio>
#include <iostream>
#include <memory>

#include "device_text.h"
#include "quorixexport/calibration_file.h"
#include "quorixexport/cloud_files.h"
#include "quorixexport/cloud_preview.h"
#include "quorixexport/image_files.h"
#include "scene_recorder.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;
namespace files = quorix::files;

namespace {

struct CaptureOptions {
    std::string address;
    int timeoutMs = 5000;
    int count = 1;
    std::string color, depth, depthPreview, cloud, coloredCloud, preview, record, calibration;
    bool ascii = false;
    bool organized = false;
    bool json = false;
};

// "name.ext" becomes "name-0003.ext" when several frames are captured.
std::string numbered(const std::string& path, int index, int count) {
    if (count <= 1 || path.empty()) return path;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%04d", index);
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + suffix;
    return path.substr(0, dot) + suffix + path.substr(dot);
}

files::FileResult writeDepth(const std::string& path, const api::Frame<api::ElementDepth>& depth) {
    if (files::hasExtension(path, ".png")) return files::writeDepthPng16(path, depth);
    return files::writeDepthTiff(path, depth);
}

int runCapture(const CaptureOptions& o) {
    if (o.count < 1) return reportFailure("--count must be at least 1");
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    if (!o.calibration.empty()) {
        api::DeviceIntri intri;
        if (auto s = device.getDeviceIntri(intri); !s.isOk()) return reportFailure("calibration", s);
        if (auto written = files::writeCalibration(o.calibration, intri); !written.ok())
            return reportFailure(written.error);
    }
    SceneRecorder recorder;
    std::string error;
    if (!o.record.empty() && !recorder.open(o.record, device, error)) return reportFailure(error);

    // Nothing asked for: capture everything without writing, to see how long it takes.
    const bool none = o.color.empty() && o.depth.empty() && o.depthPreview.empty() && o.cloud.empty() &&
                      o.coloredCloud.empty() && o.preview.empty() && o.record.empty();
    const bool wantColor = none || !o.color.empty() || !o.record.empty();
    const bool wantDepth = none || !o.depth.empty() || !o.depthPreview.empty() || !o.record.empty();
    const bool wantCloud = none || !o.cloud.empty();
    const bool wantColored = none || !o.coloredCloud.empty() || !o.preview.empty();
    const files::CloudFileOptions cloudOptions{o.ascii, o.organized};

    api::Frame<api::ElementColor> color;
    api::Frame<api::ElementDepth> depth;
    api::Frame<api::ElementPointXYZ> cloud;
    api::Frame<api::ElementPointXYZBGR> colored;
    Json::Value report(Json::arrayValue);
    for (int i = 1; i <= o.count; ++i) {
        Json::Value stages(Json::objectValue);
        Stopwatch watch;
        auto stage = [&](const char* name, const api::ErrorStatus& status) {
            stages[name] = watch.restart();
            if (!status.isOk())
                throw std::runtime_error(std::string(name) + " of frame " + std::to_string(i) + ": " +
                                         status.message + " (" + errorCodeName(status.code) + " " +
                                         std::to_string(status.code) + ")");
        };
        auto write = [&](const files::FileResult& result) {
            if (!result.ok()) throw std::runtime_error(result.error);
        };
        if (wantColor) stage("color", device.captureColorMap(color));
        if (wantDepth) stage("depth", device.captureDepthMap(depth));
        if (wantCloud) stage("cloud", device.capturePointXYZMap(cloud));
        if (wantColored) stage("coloredCloud", device.capturePointXYZBGRMap(colored));
        if (!o.color.empty()) write(files::writeColorPng(numbered(o.color, i, o.count), color));
        if (!o.depth.empty()) write(writeDepth(numbered(o.depth, i, o.count), depth));
        if (!o.depthPreview.empty())
            write(files::writeDepthPreviewPng(numbered(o.depthPreview, i, o.count), depth));
        if (!o.cloud.empty()) write(files::writeCloud(numbered(o.cloud, i, o.count), cloud, cloudOptions));
        if (!o.coloredCloud.empty())
            write(files::writeCloud(numbered(o.coloredCloud, i, o.count), colored, cloudOptions));
        if (!o.preview.empty()) write(files::writeCloudPreviewPng(numbered(o.preview, i, o.count), colored));
        if (!o.record.empty() && !recorder.addFrame(color, depth, error)) throw std::runtime_error(error);
        stages["write"] = watch.restart();
        report.append(stages);
        if (o.json) continue;
        std::cout << "frame " << i << "/" << o.count;
        for (const auto& name : stages.getMemberNames())
            std::cout << "  " << name << " " << formatMs(stages[name].asDouble());
        std::cout << std::endl;
    }
    if (!o.record.empty() && !recorder.finish(error)) return reportFailure(error);
    if (o.json) printJson(std::cout, report);
    return 0;
}

}  // namespace

void addCaptureCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand(
        "capture",
        "Capture frames into files; with no file option, capture everything and only report timings");
    auto o = std::make_shared<CaptureOptions>();
    command->add_option("address", o->address, "ADDRESS[:PORT] of the camera")->required();
    command->add_option("--timeout", o->timeoutMs, "reply time-out in milliseconds")->capture_default_str();
    command
        ->add_option("--count", o->count,
                     "number of frames (files get -0001, -0002, ... before the extension)")
        ->capture_default_str();
    command->add_option("--color", o->color, "2D image as PNG");
    command->add_option("--depth", o->depth,
                        "depth map: .png for 16-bit millimetres, otherwise 32-bit float TIFF");
    command->add_option("--depth-preview", o->depthPreview, "colourised depth map as PNG");
    command->add_option("--cloud", o->cloud, "point cloud: .pcd for PCD, otherwise PLY");
    command->add_option("--colored-cloud", o->coloredCloud,
                        "coloured point cloud: .pcd for PCD, otherwise PLY");
    command->add_option("--preview", o->preview,
                        "picture of the coloured point cloud from an oblique viewpoint (PNG)");
    command->add_option("--calibration", o->calibration, "the calibration as JSON, for mask-cloud");
    command->add_flag("--ascii", o->ascii, "ASCII PLY instead of binary");
    command->add_flag("--organized", o->organized,
                      "keep every pixel in the point-cloud files (width x height)");
    command->add_option("--record", o->record, "record the frames as a scene the virtual camera can replay");
    command->add_flag("--json", o->json, "print the per-stage timings as JSON");
    command->callback([&action, o] { action = [o] { return runCapture(*o); }; });
}

}  // namespace tool
}  // namespace quorix
