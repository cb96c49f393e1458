// quorix mask-cloud: the texture-mask point cloud from files, without a camera.
#include <iostream>

#include "capture_outputs.h"
#include "device_text.h"
#include "quorix/QuorixExport.h"
#include "quorixexport/calibration_file.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace files = norvik::files;

namespace api = norvik::api;

namespace {

struct MaskCloudOptions {
    std::string depth, mask, calibration, output;
    bool ascii = false, organized = false, json = false;
};

int runMaskCloud(const MaskCloudOptions& o) {
    api::Frame<api::ElementDepth> depth;
    api::Frame<api::ElementColor> mask;
    api::DeviceIntri intri;
    files::FileResult read = files::readDepthMap(o.depth, depth);
    if (read.ok()) read = files::readColorPng(o.mask, mask);
    if (read.ok()) read = files::readCalibration(o.calibration, intri);
    if (!read.ok()) return reportFailure(read.error);

    Stopwatch watch;
    api::Frame<api::ElementPointXYZ> cloud;
    if (auto s = api::QuorixDevice::getCloudFromTextureMask(depth, mask, intri, cloud); !s.isOk())
        return reportFailure("texture-mask cloud", s);
    const double computeMs = watch.restart();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < std::size_t(cloud.width()) * cloud.height(); ++i)
        kept += files::isMeasured(cloud.data()[i].x, cloud.data()[i].y, cloud.data()[i].z) ? 1 : 0;
    const files::FileResult written =
        files::writeCloud(o.output, cloud, files::CloudFileOptions{o.ascii, o.organized});
    if (!written.ok()) return reportFailure(written.error);
    if (o.json) {
        Json::Value value(Json::objectValue);
        value["points"] = Json::UInt64(kept);
        value["output"] = o.output;
        value["computeMs"] = computeMs;
        printJson(std::cout, value);
    } else {
        std::cout << "Wrote " << kept << " points to " << o.output << " (computed in " << formatMs(computeMs)
                  << ")\n";
    }
    return 0;
}

}  // namespace

void addMaskCloudCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand(
        "mask-cloud", "Point cloud of the depth pixels whose texture-mask pixel is not black, from files");
    auto o = std::make_shared<MaskCloudOptions>();
    command->add_option("--depth", o->depth, "depth map: 32-bit float TIFF or 16-bit PNG, millimetres")
        ->required();
    command->add_option("--mask", o->mask, "mask PNG in the 2D camera's image")->required();
    command
        ->add_option("--calibration", o->calibration,
                     "calibration JSON (as written by info --json or capture)")
        ->required();
    command->add_option("--output", o->output, "point cloud (.ply or .pcd)")->required();
    command->add_flag("--ascii", o->ascii, "ASCII PLY instead of binary");
    command->add_flag("--organized", o->organized, "keep every pixel (width x height)");
    command->add_flag("--json", o->json, "print JSON");
    command->callback([&action, o] {
        if (std::string problem = checkOutputFiles({{"--output", {".ply", ".pcd"}, o->output}});
            !problem.empty())
            throw CLI::ValidationError(problem);
        action = [o] { return runMaskCloud(*o); };
    });
}

}  // namespace tool
}  // namespace quorix
