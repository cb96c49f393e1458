// `quorix capture` against the scripted camera: what it asks the camera for, what it refuses, and what a
// failure leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "imaging/imaging_fixtures.h"
#include "tool.h"

namespace {

using namespace imaging_test;
namespace cmd = norvik::protocol::command;
namespace fs = std::filesystem;

constexpr int kRows = 12, kCols = 16;

// A camera that answers every capture with a small image of its kind.
struct CapturingCamera : ConnectedCamera {
    CapturingCamera() : ConnectedCamera(13) {
        std::mt19937 rng(4);
        const std::string depth = depthPayload(randomSamples(rng, kRows * kCols));
        const std::string color = bgrPayload(randomImage(rng, kCols, kRows));
        camera.on(cmd::CaptureImage, [=](const Json::Value& request) {
            const bool isColor = request["image_type"].asInt() == 8194;
            return isColor ? captureReply(0.0, kRows, kCols, kBgr, color)
                           : captureReply(10.0, kRows, kCols, 0, depth);
        });
    }
    std::string address() const {
        return std::string(ScriptedCamera::address()) + ":" + std::to_string(camera.port());
    }
};

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun runTool(std::vector<std::string> args) {
    args.insert(args.begin(), "quorix");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = quorix::tool::runTool(static_cast<int>(argv.size()), argv.data());
    ToolRun run{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    return run;
}

fs::path scratchFolder(const std::string& name) {
    const fs::path folder =
        fs::path(testing::TempDir()) / ("quorix_capture_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::size_t captures(const ScriptedCamera& camera) {
    std::size_t n = 0;
    for (const auto& c : camera.commands()) n += c == cmd::CaptureImage ? 1 : 0;
    return n;
}

// Every output of a frame comes from one 2D image and one depth map: two exchanges per frame.
TEST(CaptureCommand, EveryOutputOfAFrameComesFromTwoExchanges) {
    const fs::path dir = scratchFolder("two");
    auto exchanges = [&](int count) {
        CapturingCamera cam;
        const ToolRun run =
            runTool({"capture", cam.address(), "--count", std::to_string(count), "--color",
                     (dir / "c.png").string(), "--depth", (dir / "d.tiff").string(), "--cloud",
                     (dir / "p.ply").string(), "--colored-cloud", (dir / "q.pcd").string(), "--preview",
                     (dir / "v.png").string(), "--depth-preview", (dir / "dp.png").string()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(captures(cam.camera), 2u * count);
        return cam.camera.commands().size();
    };
    const std::size_t one = exchanges(1), three = exchanges(3);
    EXPECT_EQ(three - one, 4u);
    for (const char* name :
         {"c-0003.png", "d-0003.tiff", "p-0003.ply", "q-0003.pcd", "v-0003.png", "dp-0003.png"})
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    // Nothing but the files: no temporary names left over.
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir)) entries += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 6u + 6u * 3u);
}

TEST(CaptureCommand, EachFrameReportsItsStagesFilesAndPoints) {
    const fs::path dir = scratchFolder("report");
    CapturingCamera cam;
    const ToolRun run =
        runTool({"capture", cam.address(), "--count", "2", "--json", "--cloud", (dir / "p.ply").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    Json::Value report;
    ASSERT_TRUE(Json::Reader().parse(run.out, report)) << run.out;
    ASSERT_EQ(report.size(), 2u);
    const Json::Value& stages = report[1]["stages"];
    EXPECT_EQ(report[1]["frame"].asInt(), 2);
    ASSERT_EQ(stages.size(), 3u);
    EXPECT_EQ(stages[0]["stage"].asString(), "depth");
    EXPECT_EQ(stages[1]["stage"].asString(), "cloud");
    EXPECT_EQ(stages[2]["stage"].asString(), "write");
    EXPECT_EQ(stages[2]["file"].asString(), (dir / "p-0002.ply").string());
    EXPECT_TRUE(stages[2]["ms"].isDouble());
    EXPECT_GT(stages[1]["points"].asUInt(), 0u);
    EXPECT_EQ(stages[2]["points"], stages[1]["points"]);

    const ToolRun text = runTool({"capture", cam.address(), "--cloud", (dir / "t.ply").string()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("frame 1/1: depth ", 0), 0u) << text.out;
    EXPECT_NE(text.out.find((dir / "t.ply").string()), std::string::npos) << text.out;
}

TEST(CaptureCommand, NamesTheOptionCannotWriteAreRefusedBeforeCapturing) {
    CapturingCamera cam;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--cloud", "x.xyz"},
                                                 {"--color", "c.jpg"},
                                                 {"--depth", "d.exr"},
                                                 {"--colored-cloud", "q.txt"},
                                                 {"--calibration", "c.yaml"},
                                                 {"--color", "a.png", "--preview", "./a.png"}}) {
        std::vector<std::string> line = {"capture", cam.address()};
        line.insert(line.end(), args.begin(), args.end());
        const ToolRun run = runTool(line);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(run.err.rfind("quorix: ", 0), 0u);
        EXPECT_NE(run.err.find(args[0]), std::string::npos) << run.err;
    }
    EXPECT_NE(runTool({"capture", cam.address(), "--cloud", "x.xyz"}).err.find(".ply or .pcd"),
              std::string::npos);
    EXPECT_NE(
        runTool({"capture", cam.address(), "--color", "a.png", "--preview", "./a.png"}).err.find("same file"),
        std::string::npos);
    EXPECT_EQ(captures(cam.camera), 0u);
}

TEST(CaptureCommand, ATimedOutCaptureSaysWhoDidNotAnswer) {
    ConnectedCamera cam(13);
    cam.camera.on(cmd::CaptureImage, [](const Json::Value&) {
        Reply silent;
        silent.silent = true;
        return silent;
    });
    const std::string address = "127.0.0.1:" + std::to_string(cam.camera.port());
    const ToolRun run = runTool(
        {"capture", address, "--timeout", "300", "--color", (scratchFolder("timeout") / "c.png").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no reply from " + address + " within 300 ms"), std::string::npos) << run.err;
}

// A recording goes to a new folder and is renamed into place: an existing one is kept unless --overwrite,
// and a recording that fails part-way leaves the old one as it was.
TEST(CaptureCommand, RecordingNeverDestroysAnExistingOne) {
    const fs::path dir = scratchFolder("record");
    const std::string scene = (dir / "scene").string();
    CapturingCamera cam;
    ASSERT_EQ(runTool({"capture", cam.address(), "--record", scene, "--count", "2"}).status, 0);
    ASSERT_TRUE(fs::exists(dir / "scene" / "scene.json"));
    const auto before = fs::file_size(dir / "scene" / "scene.json");

    const ToolRun refused = runTool({"capture", cam.address(), "--record", scene});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--overwrite"), std::string::npos) << refused.err;

    // The second frame fails: the old recording stays whole.
    std::mt19937 rng(9);
    cam.camera.queue(cmd::CaptureImage,
                     captureReply(0.0, kRows, kCols, kBgr, bgrPayload(randomImage(rng, kCols, kRows))));
    cam.camera.queue(cmd::CaptureImage,
                     captureReply(10.0, kRows, kCols, 0, depthPayload(randomSamples(rng, kRows * kCols))));
    cam.camera.queue(cmd::CaptureImage, ScriptedCamera::error("projector too hot"));
    const ToolRun failed =
        runTool({"capture", cam.address(), "--record", scene, "--count", "3", "--overwrite"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(fs::file_size(dir / "scene" / "scene.json"), before);
    EXPECT_TRUE(fs::exists(dir / "scene" / "frame-0002-depth.f32"));
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir)) entries += 1 + 0 * entry.is_directory();
    EXPECT_EQ(entries, 1u) << "a working folder was left behind";

    ASSERT_EQ(runTool({"capture", cam.address(), "--record", scene, "--overwrite"}).status, 0);
    EXPECT_FALSE(fs::exists(dir / "scene" / "frame-0002-depth.f32"));
    EXPECT_TRUE(fs::exists(dir / "scene" / "frame-0001-depth.f32"));
}

}  // namespace
