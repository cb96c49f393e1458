// quorix info: who a camera is, its image sizes and its calibration.
#include <iostream>

#include "device_text.h"
#include "quorixexport/calibration_file.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace files = norvik::files;

namespace api = norvik::api;

namespace {

struct InfoOptions {
    std::string address;
    int timeoutMs = 5000;
    bool json = false;
    std::string calibrationFile;
};

int runInfo(const InfoOptions& options) {
    api::QuorixDevice device;
    if (!connectDevice(device, options.address, options.timeoutMs)) return kExitFailure;
    api::QuorixDeviceInfo info;
    api::DeviceIntri intri;
    api::DeviceResolution resolution;
    if (auto s = device.getDeviceInfo(info); !s.isOk()) return reportFailure("identity", s);
    if (auto s = device.getDeviceResolution(resolution); !s.isOk()) return reportFailure("image sizes", s);
    if (auto s = device.getDeviceIntri(intri); !s.isOk()) return reportFailure("calibration", s);
    if (!options.calibrationFile.empty()) {
        const files::FileResult written = files::writeCalibration(options.calibrationFile, intri);
        if (!written.ok()) return reportFailure(written.error);
    }
    if (options.json) {
        Json::Value value(Json::objectValue);
        value["identity"] = identityToJson(info);
        value["resolution"] = resolutionToJson(resolution);
        value["calibration"] = files::calibrationToValue(intri);
        printJson(std::cout, value);
        return 0;
    }
    std::cout << "Identity\n";
    printIdentity(std::cout, info);
    std::cout << "Image sizes\n";
    printPairs(
        std::cout,
        {{"2D", std::to_string(resolution.image2DWidth) + " x " + std::to_string(resolution.image2DHeight)},
         {"depth",
          std::to_string(resolution.image3DWidth) + " x " + std::to_string(resolution.image3DHeight)}});
    std::cout << "Calibration\n";
    printCalibration(std::cout, intri);
    return 0;
}

}  // namespace

void addInfoCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand("info", "Show a camera's identity, image sizes and calibration");
    auto options = std::make_shared<InfoOptions>();
    command->add_option("address", options->address, "ADDRESS[:PORT] of the camera")->required();
    command->add_option("--timeout", options->timeoutMs, "reply time-out in milliseconds")
        ->capture_default_str();
    command->add_flag("--json", options->json,
                      "print JSON (its \"calibration\" member is what mask-cloud reads)");
    command->add_option("--calibration", options->calibrationFile,
                        "also write the calibration JSON to this file");
    command->callback([&action, options] { action = [options] { return runInfo(*options); }; });
}

}  // namespace tool
}  // namespace quorix
