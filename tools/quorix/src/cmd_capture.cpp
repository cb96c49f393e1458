// quorix capture: frames from a camera into files. Each frame is one 2D image and one depth map; every
// output (clouds, previews, files) is derived from those two, so all files of a frame show the same instant.
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>

#include "capture_outputs.h"
#include "device_text.h"
#include "interrupt_watch.h"
#include "quorix/QuorixExport.h"
#include "quorixexport/calibration_file.h"
#include "scene_recorder.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;
namespace files = norvik::files;

namespace {

struct CaptureOptions {
    std::string address;
    int timeoutMs = 5000;
    int count = 1;
    double intervalMs = 0;
    int pngLevel = files::kDefaultPngLevel;
    std::string color, depth, depthPreview, cloud, coloredCloud, preview, record, calibration;
    bool ascii = false;
    bool organized = false;
    bool overwrite = false;
    bool json = false;

    std::vector<OutputFile> outputs() const {
        return {{"--color", {".png"}, color},
                {"--depth", {".tiff", ".tif", ".png"}, depth},
                {"--depth-preview", {".png"}, depthPreview},
                {"--cloud", {".ply", ".pcd"}, cloud},
                {"--colored-cloud", {".ply", ".pcd"}, coloredCloud},
                {"--preview", {".png"}, preview},
                {"--calibration", {".json"}, calibration}};
    }
};

// One step of a frame: a capture, a computation or a file written.
struct Stage {
    std::string name;  // "color", "depth", "cloud", "coloredCloud", or "write"
    std::string file;  // the file written
    double ms = 0;
    std::optional<std::size_t> points;
};

template <typename Point>
std::size_t measuredPoints(const api::Frame<Point>& cloud) {
    std::size_t count = 0;
    const std::size_t size = static_cast<std::size_t>(cloud.width()) * cloud.height();
    for (std::size_t i = 0; i < size; ++i) {
        const Point& p = cloud.data()[i];
        count += files::isMeasured(p.x, p.y, p.z) ? 1 : 0;
    }
    return count;
}

// A capture that got no answer says so, with the camera and the time waited.
std::string describe(const api::ErrorStatus& status, const std::string& address, int timeoutMs) {
    if (status.code == api::ReadError && status.message.empty()) {
        Address parsed;
        std::string ignored;
        const std::string camera = parseAddress(address, parsed, ignored)
                                       ? parsed.host + ":" + std::to_string(parsed.port)
                                       : address;
        return "no reply from " + camera + " within " + std::to_string(timeoutMs) + " ms";
    }
    return status.message;
}

Json::Value stageToJson(const Stage& s) {
    Json::Value value(Json::objectValue);
    value["stage"] = s.name;
    if (!s.file.empty()) value["file"] = s.file;
    value["ms"] = std::round(s.ms * 1000) / 1000;
    if (s.points) value["points"] = static_cast<Json::UInt64>(*s.points);
    return value;
}

std::string stageText(const Stage& s) {
    std::string text = (s.file.empty() ? s.name : s.file) + " " + formatMs(s.ms);
    if (s.points) text += " " + std::to_string(*s.points) + " points";
    return text;
}

class FrameLoop {
public:
    FrameLoop(const CaptureOptions& o, const api::QuorixDevice& device, bool refreshCalibration)
        : o_(o), device_(device), refreshCalibration_(refreshCalibration) {
        const bool none = o.color.empty() && o.depth.empty() && o.depthPreview.empty() && o.cloud.empty() &&
                          o.coloredCloud.empty() && o.preview.empty() && o.record.empty();
        // Nothing asked for: every output is computed without writing, to see how long it takes.
        wantCloud_ = none || !o.cloud.empty();
        wantColored_ = none || !o.coloredCloud.empty() || !o.preview.empty();
        wantColor_ = wantColored_ || !o.color.empty() || !o.record.empty();
        wantDepth_ =
            wantCloud_ || wantColored_ || !o.depth.empty() || !o.depthPreview.empty() || !o.record.empty();
    }

    // Captures, computes and writes frame `index`; throws with the reason when a step fails.
    std::vector<Stage> run(int index, api::DeviceIntri& intri, SceneRecorder* recorder) {
        stages_.clear();
        index_ = index;
        watch_.restart();
        if (wantColor_) step("color", device_.captureColorMap(color_));
        if (wantDepth_) step("depth", device_.captureDepthMap(depth_));
        if (wantDepth_ && refreshCalibration_) step("calibration", device_.getDeviceIntri(intri));
        if (wantCloud_) {
            step("cloud", api::QuorixDevice::computePointXYZMap(depth_, intri, cloud_));
            stages_.back().points = measuredPoints(cloud_);
        }
        if (wantColored_) {
            step("coloredCloud", api::QuorixDevice::computePointXYZBGRMap(depth_, color_, intri, colored_));
            stages_.back().points = measuredPoints(colored_);
        }
        const files::CloudFileOptions cloudOptions{o_.ascii, o_.organized};
        const int level = o_.pngLevel;
        write(o_.color, [&](const std::string& p) { return files::writeColorPng(p, color_, level); });
        write(o_.depth, [&](const std::string& p) { return files::writeDepthMap(p, depth_, level); });
        write(o_.depthPreview,
              [&](const std::string& p) { return files::writeDepthPreviewPng(p, depth_, level); });
        write(
            o_.cloud, [&](const std::string& p) { return files::writeCloud(p, cloud_, cloudOptions); },
            o_.organized ? std::nullopt : pointsOf("cloud"));
        write(
            o_.coloredCloud,
            [&](const std::string& p) { return files::writeCloud(p, colored_, cloudOptions); },
            o_.organized ? std::nullopt : pointsOf("coloredCloud"));
        files::PreviewOptions preview;
        preview.pngLevel = level;
        write(o_.preview,
              [&](const std::string& p) { return files::writeCloudPreviewPng(p, colored_, preview); });
        if (recorder != nullptr) {
            std::string error;
            if (!recorder->addFrame(color_, depth_, error)) throw std::runtime_error(error);
            stages_.push_back({"record", "", watch_.restart(), std::nullopt});
        }
        return stages_;
    }

private:
    void step(const char* name, const api::ErrorStatus& status) {
        stages_.push_back({name, "", watch_.restart(), std::nullopt});
        if (!status.isOk())
            throw std::runtime_error(std::string(name) + " of frame " + std::to_string(index_) + ": " +
                                     describe(status, o_.address, o_.timeoutMs) + " (" +
                                     errorCodeName(status.code) + " " + std::to_string(status.code) + ")");
    }

    // The points a computation stage counted (what an unorganised file of its cloud holds).
    std::optional<std::size_t> pointsOf(const char* name) const {
        for (const Stage& s : stages_)
            if (s.name == name) return s.points;
        return std::nullopt;
    }

    template <typename Write>
    void write(const std::string& path, const Write& writeFile, std::optional<std::size_t> points = {}) {
        if (path.empty()) return;
        const std::string name = numberedPath(path, index_, o_.count != 1);
        const files::FileResult result = writeFile(name);
        if (!result.ok()) throw std::runtime_error(result.error);
        stages_.push_back({"write", name, watch_.restart(), points});
    }

    const CaptureOptions& o_;
    const api::QuorixDevice& device_;
    const bool refreshCalibration_;
    bool wantColor_ = false, wantDepth_ = false, wantCloud_ = false, wantColored_ = false;
    int index_ = 0;
    Stopwatch watch_;
    std::vector<Stage> stages_;
    api::Frame<api::ElementColor> color_;
    api::Frame<api::ElementDepth> depth_;
    api::Frame<api::ElementPointXYZ> cloud_;
    api::Frame<api::ElementPointXYZBGR> colored_;
};

int runCapture(const CaptureOptions& o) {
    if (o.count < 0) return reportFailure("--count must be 0 (until interrupted) or more");
    if (!(o.intervalMs >= 0)) return reportFailure("--interval must be 0 or more");
    // Ctrl-C finishes the frame under way, so that no file is left half-written; watched before any other
    // thread starts.
    InterruptWatch interrupt;

    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    api::QuorixDeviceInfo info;
    api::DeviceIntri intri;
    if (auto s = device.getDeviceInfo(info); !s.isOk()) return reportFailure("identity", s);
    if (auto s = device.getDeviceIntri(intri); !s.isOk()) return reportFailure("calibration", s);
    if (!o.calibration.empty()) {
        if (auto written = files::writeCalibration(o.calibration, intri); !written.ok())
            return reportFailure(written.error);
    }
    SceneRecorder recorder;
    std::string error;
    if (!o.record.empty() && !recorder.open(o.record, device, o.overwrite, error))
        return reportFailure(error);

    // The VELA model's calibration follows its capture mode: it is read again after each depth map, as the
    // cloud captures do.
    FrameLoop loop(o, device, info.model.rfind("VELA", 0) == 0);
    Json::Value report(Json::arrayValue);
    const std::string total = o.count > 0 ? "/" + std::to_string(o.count) : "";
    for (int i = 1; o.count == 0 || i <= o.count; ++i) {
        Stopwatch frameWatch;
        std::vector<Stage> stages;
        try {
            stages = loop.run(i, intri, o.record.empty() ? nullptr : &recorder);
        } catch (const std::exception& e) {
            if (o.json) printJson(std::cout, report);
            return reportFailure(e.what());
        }
        Json::Value frame(Json::objectValue);
        frame["frame"] = i;
        frame["stages"] = Json::Value(Json::arrayValue);
        for (const Stage& s : stages) frame["stages"].append(stageToJson(s));
        report.append(frame);
        if (!o.json) {
            std::cout << "frame " << i << total << ":";
            for (std::size_t s = 0; s < stages.size(); ++s)
                std::cout << (s == 0 ? " " : ", ") << stageText(stages[s]);
            std::cout << std::endl;
        }
        if (interrupt.requested()) break;
        if (o.count == 0 || i < o.count) {
            interrupt.sleepFor(o.intervalMs - frameWatch.elapsedMs());
            if (interrupt.requested()) break;
        }
    }
    if (!o.record.empty() && !recorder.finish(error)) return reportFailure(error);
    if (o.json) printJson(std::cout, report);
    // Until interrupted is what --count 0 asks for; a counted run cut short did not do its job.
    const auto done = static_cast<int>(report.size());
    if (o.count > 0 && done < o.count)
        return reportFailure("interrupted after frame " + std::to_string(done) + " of " +
                             std::to_string(o.count));
    return 0;
}

}  // namespace

void addCaptureCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand(
        "capture",
        "Capture frames into files: one 2D image and one depth map per frame, every output derived from "
        "them; with no file option, capture and compute everything and only report timings");
    auto o = std::make_shared<CaptureOptions>();
    command->add_option("address", o->address, "ADDRESS[:PORT] of the camera")->required();
    command->add_option("--timeout", o->timeoutMs, "reply time-out in milliseconds")->capture_default_str();
    command
        ->add_option("--count", o->count,
                     "number of frames (files get -0001, -0002, ... before the extension); 0 captures until "
                     "Ctrl-C, which finishes the frame under way")
        ->capture_default_str();
    command->add_option("--interval", o->intervalMs,
                        "milliseconds from the start of one frame to the start of the next (at least)");
    command->add_option("--color", o->color, "2D image (.png)");
    command->add_option("--depth", o->depth,
                        "depth map: .tiff (32-bit float millimetres) or .png (16-bit millimetres)");
    command->add_option("--depth-preview", o->depthPreview, "colourised depth map (.png)");
    command->add_option("--cloud", o->cloud, "point cloud (.ply or .pcd)");
    command->add_option("--colored-cloud", o->coloredCloud, "coloured point cloud (.ply or .pcd)");
    command->add_option("--preview", o->preview,
                        "picture of the coloured point cloud from an oblique viewpoint (.png)");
    command->add_option("--calibration", o->calibration, "the calibration, for mask-cloud (.json)");
    command->add_flag("--ascii", o->ascii, "ASCII PLY instead of binary");
    command
        ->add_option("--png-level", o->pngLevel,
                     "PNG compression, 0 (none) to 9 (smallest); the default is fast and a little larger")
        ->check(CLI::Range(0, 9))
        ->capture_default_str();
    command->add_flag("--organized", o->organized,
                      "keep every pixel in the point-cloud files (width x height)");
    command->add_option("--record", o->record, "record the frames as a scene the virtual camera can replay");
    command->add_flag("--overwrite", o->overwrite,
                      "let --record replace an existing recording (once the new one is complete)");
    command->add_flag("--json", o->json, "print each frame's stages, files and point counts as JSON");
    command->callback([&action, o] {
        // A name the option cannot write is a wrong command line, refused before anything is captured.
        if (std::string problem = checkOutputFiles(o->outputs()); !problem.empty())
            throw CLI::ValidationError(problem);
        action = [o] { return runCapture(*o); };
    });
}

}  // namespace tool
}  // namespace quorix
