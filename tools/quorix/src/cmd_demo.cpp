// quorix demo: the whole daily round against an embedded virtual camera, with nothing but the build.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>

#include "device_text.h"
#include "quorix/QuorixExport.h"
#include "quorixexport/calibration_file.h"
#include "setting_table.h"
#include "tool.h"
#include "virtualcam/virtual_camera.h"

namespace quorix {
namespace tool {

namespace files = norvik::files;

namespace api = norvik::api;

namespace {

struct DemoOptions {
    std::string output = "demo-output";
    bool skipDiscovery = false;
};

// Prints "[n] what ... 12.3 ms" around one step; a failed step stops the demo.
class Steps {
public:
    bool run(const std::string& what, const std::function<std::string()>& step) {
        std::cout << "[" << ++count_ << "] " << what << std::flush;
        Stopwatch watch;
        const std::string error = step();
        std::cout << " ... " << (error.empty() ? "" : "FAILED ") << formatMs(watch.elapsedMs()) << std::endl;
        if (!error.empty()) reportFailure(what + ": " + error);
        return error.empty();
    }

private:
    int count_ = 0;
};

std::string describe(const api::ErrorStatus& status) {
    return status.isOk()
               ? std::string()
               : status.message + " (" + errorCodeName(status.code) + " " + std::to_string(status.code) + ")";
}

// White where the 2D image shows a strongly coloured surface (the scene's objects), black on the grey ground.
api::Frame<api::ElementColor> colouredObjectsMask(const api::Frame<api::ElementColor>& color) {
    api::Frame<api::ElementColor> mask;
    mask.resize(color.width(), color.height());
    for (std::size_t i = 0; i < std::size_t(color.width()) * color.height(); ++i) {
        const api::ElementColor& p = color.data()[i];
        const int spread = std::max({p.b, p.g, p.r}) - std::min({p.b, p.g, p.r});
        mask.data()[i] = spread > 60 ? api::ElementColor{255, 255, 255} : api::ElementColor{0, 0, 0};
    }
    return mask;
}

int runDemo(const DemoOptions& o) {
    Steps steps;
    std::vector<std::string> written;
    const std::string dir = o.output;
    auto path = [&](const std::string& name) {
        written.push_back(name);
        return dir + "/" + name;
    };
    auto fileStep = [](const files::FileResult& r) { return r.error; };

    virtualcam::Options cameraOptions;
    cameraOptions.announce = true;  // to 127.0.0.1:45454, where discovery listens
    cameraOptions.announcePeriodMs = 500;
    virtualcam::VirtualCamera camera(cameraOptions);
    if (!steps.run("Start a virtual camera on 127.0.0.1", [&] {
            std::string error;
            return camera.start(&error) ? std::string() : error;
        }))
        return kExitFailure;
    std::cout << "    serving on " << camera.endpoint() << " as " << camera.identifier() << "\n";

    api::QuorixDeviceInfo found;
    found.ipAddress = "127.0.0.1";
    found.port = camera.port();
    if (!o.skipDiscovery) {
        // Discovery listens until no new camera has been heard for 3 s.
        const bool discovered = steps.run("Discover cameras on UDP port 45454", [&] {
            std::vector<api::QuorixDeviceInfo> cameras;
            takeDiscoveryBindFailure();
            try {
                cameras = api::QuorixDevice::enumerateQuorixDeviceList();
            } catch (const std::exception& e) {
                return std::string(e.what());
            }
            if (takeDiscoveryBindFailure()) return std::string("UDP port 45454 is taken by another program");
            for (const auto& c : cameras)
                if (c.id == camera.identifier()) {
                    found = c;
                    return std::string();
                }
            return "the camera's announcement was not heard among " + std::to_string(cameras.size()) +
                   " camera(s)";
        });
        if (!discovered)
            std::cout << "    going on with its known address instead\n";
        else
            std::cout << "    found " << found.id << " (" << found.model << ") at " << found.ipAddress << ":"
                      << found.port << "\n";
    }

    api::QuorixDevice device;
    if (!steps.run("Connect", [&] { return describe(device.connect(found.ipAddress, found.port)); }))
        return kExitFailure;
    api::QuorixDeviceInfo info;
    api::DeviceIntri intri;
    api::DeviceResolution resolution;
    if (!steps.run("Read identity, image sizes and calibration", [&] {
            std::string e = describe(device.getDeviceInfo(info));
            if (e.empty()) e = describe(device.getDeviceResolution(resolution));
            if (e.empty()) e = describe(device.getDeviceIntri(intri));
            return e;
        }))
        return kExitFailure;
    printIdentity(std::cout, info);
    printPairs(std::cout, {{"2D image", std::to_string(resolution.image2DWidth) + " x " +
                                            std::to_string(resolution.image2DHeight)},
                           {"depth map", std::to_string(resolution.image3DWidth) + " x " +
                                             std::to_string(resolution.image3DHeight)}});
    printCalibration(std::cout, intri);

    // Values other than the virtual camera's defaults, so that each line shows a change.
    const std::vector<std::pair<std::string, std::string>> changes = {{"Scan2DExposureTime", "30"},
                                                                      {"DepthRange", "400,2000"},
                                                                      {"CloudSmoothMode", "Normal"},
                                                                      {"Scan3DGain", "2"}};
    for (const auto& [key, text] : changes) {
        const api::SettingDescription& setting = *findSetting(key);
        Json::Value before, after;
        if (!steps.run("Set " + key + " to " + text, [&] {
                std::string e = describe(readSetting(device, setting, before));
                if (e.empty()) e = describe(writeSetting(device, setting, parseCommandLineValue(text)));
                if (e.empty()) e = describe(readSetting(device, setting, after));
                return e;
            }))
            return kExitFailure;
        std::cout << "    " << compactJson(before) << " -> " << compactJson(after) << "\n";
    }

    api::Frame<api::ElementColor> color;
    api::Frame<api::ElementDepth> depth;
    api::Frame<api::ElementPointXYZ> cloud;
    api::Frame<api::ElementPointXYZBGR> colored;
    // One 2D image and one depth map; both clouds are computed from them, so every file shows one instant.
    if (!steps.run("Capture the 2D image", [&] { return describe(device.captureColorMap(color)); }) ||
        !steps.run("Capture the depth map", [&] { return describe(device.captureDepthMap(depth)); }) ||
        !steps.run("Compute the point cloud",
                   [&] { return describe(api::QuorixDevice::computePointXYZMap(depth, intri, cloud)); }) ||
        !steps.run("Compute the coloured point cloud", [&] {
            return describe(api::QuorixDevice::computePointXYZBGRMap(depth, color, intri, colored));
        }))
        return kExitFailure;

    const api::Frame<api::ElementColor> mask = colouredObjectsMask(color);
    api::Frame<api::ElementPointXYZBGR> maskCloud;
    if (!steps.run("Texture-mask cloud of the coloured objects", [&] {
            return describe(api::QuorixDevice::getCloudFromTextureMask(depth, mask, intri, maskCloud));
        }))
        return kExitFailure;

    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return reportFailure(dir + ": cannot be created (" + ec.message() + ")");
    Json::Value description(Json::objectValue);
    description["identity"] = identityToJson(info);
    description["resolution"] = resolutionToJson(resolution);
    description["calibration"] = files::calibrationToValue(intri);
    const files::CloudFileOptions organized{false, true};
    const bool ok = steps.run("Write camera.json and calibration.json", [&] {
        std::string e = files::writeTextFile(path("camera.json"), toJsonText(description)).error;
        return e.empty() ? files::writeCalibration(path("calibration.json"), intri).error : e;
    }) && steps.run("Write color.png", [&] {
        return fileStep(files::writeColorPng(path("color.png"), color));
    }) && steps.run("Write depth.tiff (float mm) and depth.png (16-bit mm)", [&] {
        std::string e = files::writeDepthTiff(path("depth.tiff"), depth).error;
        return e.empty() ? files::writeDepthPng16(path("depth.png"), depth).error : e;
    }) && steps.run("Write depth-preview.png", [&] {
        return fileStep(files::writeDepthPreviewPng(path("depth-preview.png"), depth));
    }) && steps.run("Write cloud.ply and cloud.pcd (organised)", [&] {
        std::string e = files::writePly(path("cloud.ply"), cloud).error;
        return e.empty() ? files::writePcd(path("cloud.pcd"), cloud, organized).error : e;
    }) && steps.run("Write colored-cloud.ply and colored-cloud.pcd", [&] {
        std::string e = files::writePly(path("colored-cloud.ply"), colored).error;
        return e.empty() ? files::writePcd(path("colored-cloud.pcd"), colored).error : e;
    }) && steps.run("Render cloud-preview.png", [&] {
        return fileStep(files::writeCloudPreviewPng(path("cloud-preview.png"), colored));
    }) && steps.run("Write mask.png and mask-cloud.ply", [&] {
        std::string e = files::writeColorPng(path("mask.png"), mask).error;
        return e.empty() ? files::writePly(path("mask-cloud.ply"), maskCloud).error : e;
    });
    if (!ok) return kExitFailure;
    device.disconnect();
    camera.stop();
    std::cout
        << "To watch a camera live in a browser: quorix view ADDRESS, then open http://127.0.0.1:8080/\n"
           "(a virtual camera to watch: quorix-virtual-camera --port 5577 & quorix view 127.0.0.1)\n";
    std::cout << "Wrote into " << dir << "/:";
    for (const auto& name : written) std::cout << " " << name;
    std::cout << std::endl;
    return 0;
}

}  // namespace

void addDemoCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand(
        "demo", "Start an embedded virtual camera, find it, configure it, capture, and write every file");
    auto o = std::make_shared<DemoOptions>();
    command->add_option("--output", o->output, "folder for the files")->capture_default_str();
    command->add_flag("--no-discovery", o->skipDiscovery,
                      "connect directly instead of listening on UDP port 45454");
    command->callback([&action, o] { action = [o] { return runDemo(*o); }; });
}

}  // namespace tool
}  // namespace quorix
