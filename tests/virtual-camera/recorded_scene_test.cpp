// Recorded scenes served by the virtual camera: a scene names files inside its own folder only, each of the
// size its frame claims, and anything else stops the start with a message naming the entry.

#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "virtualcam/virtual_camera.h"

namespace {

namespace fs = std::filesystem;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;

class RecordedSceneTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("vcam-scene-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(folder());
        fs::create_directories(root_ / "outside");
        write(folder() / "color.bgr", std::string(2 * 2 * 3, '\x40'));
        write(folder() / "depth.f32", std::string(2 * 2 * 4, '\0'));
        write(root_ / "outside" / "secret.bin", std::string(2 * 2 * 3, 's'));
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path folder() const { return root_ / "scene"; }
    static void write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }

    // scene.json with one frame of 2x2 images naming these files.
    void writeScene(const std::string& color, const std::string& depth = "depth.f32") {
        Json::Value camera;
        camera["fx"] = camera["fy"] = 2.0;
        camera["cx"] = camera["cy"] = 1.0;
        Json::Value scene;
        scene["calibration"]["camera2D"] = scene["calibration"]["camera3D"] = camera;
        for (int i = 0; i < 3; ++i) {
            scene["calibration"]["translation"].append(0.0);
            for (int j = 0; j < 3; ++j) scene["calibration"]["rotation"][i].append(i == j ? 1.0 : 0.0);
        }
        Json::Value frame;
        frame["color"] = color;
        frame["depth"] = depth;
        frame["colorWidth"] = frame["colorHeight"] = frame["depthWidth"] = frame["depthHeight"] = 2;
        scene["frames"].append(frame);
        write(folder() / "scene.json", Json::FastWriter().write(scene));
    }

    // The start's error, empty when the camera started.
    std::string startError() const {
        Options options;
        options.sceneDirectory = folder().string();
        VirtualCamera camera(options);
        std::string error;
        testing::internal::CaptureStderr();
        const bool started = camera.start(&error);
        testing::internal::GetCapturedStderr();
        return started ? std::string() : error;
    }

    fs::path root_;
};

TEST_F(RecordedSceneTest, NamesOutsideTheFolderAreRefusedWithTheEntry) {
    writeScene("color.bgr");
    EXPECT_EQ(startError(), "");
    fs::create_symlink(root_ / "outside" / "secret.bin", folder() / "link.bgr");
    fs::create_directory_symlink(root_ / "outside", folder() / "linked");
    for (const std::string& name :
         std::vector<std::string>{"../outside/secret.bin", (root_ / "outside" / "secret.bin").string(),
                                  "link.bgr", "linked/secret.bin", "./../scene/../outside/secret.bin"}) {
        writeScene(name);
        const std::string error = startError();
        EXPECT_NE(error.find("frame 1"), std::string::npos) << name << ": " << error;
        EXPECT_NE(error.find(name), std::string::npos) << name << ": " << error;
    }
    fs::create_symlink("color.bgr", folder() / "inside.bgr");  // a link that stays inside is fine
    writeScene("inside.bgr");
    EXPECT_EQ(startError(), "");
}

TEST_F(RecordedSceneTest, FileSizesAreCheckedBeforeReading) {
    { std::ofstream huge(folder() / "huge.bgr", std::ios::binary); }
    fs::resize_file(folder() / "huge.bgr", std::uintmax_t(4) << 30);  // sparse: takes no disk space
    writeScene("huge.bgr");
    const std::string error = startError();
    EXPECT_NE(error.find("huge.bgr"), std::string::npos) << error;
    EXPECT_NE(error.find("12 bytes"), std::string::npos) << error;
    writeScene("color.bgr", "color.bgr");  // 12 bytes where a depth map of 16 is claimed
    EXPECT_NE(startError().find("16 bytes"), std::string::npos);
}

TEST_F(RecordedSceneTest, AnUnreadableIndexIsAClearError) {
    std::string objects;
    for (int i = 0; i < 5000; ++i) objects += "{\"a\":";
    for (const std::string& text : {std::string(100000, '['), "{\"frames\":" + objects}) {
        write(folder() / "scene.json", text);
        EXPECT_NE(startError().find("scene.json"), std::string::npos);
    }
}

}  // namespace
