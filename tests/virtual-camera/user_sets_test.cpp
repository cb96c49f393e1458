// User sets of the virtual camera: full copies of the parameters, the default set, persistence.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <iterator>

#include "camera_client.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace cmd = norvik::protocol::command;
namespace member = norvik::protocol::member;
namespace param = norvik::protocol::parameter;
namespace fs = std::filesystem;

std::vector<std::string> names(const Json::Value& groups) {
    std::vector<std::string> out;
    for (const auto& n : groups[member::AvailableConfigNames]) out.push_back(n.asString());
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh state folder per test, removed afterwards.
class StateFolder {
public:
    StateFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        static int count = 0;
        path_ = fs::temp_directory_path() / (std::string("vcam-") + info->name() + "-" +
                                             std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::remove_all(path_);
    }
    ~StateFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

Options inFolder(const fs::path& folder) {
    Options options;
    options.stateDirectory = folder.string();
    return options;
}

TEST(UserSets, EachSetHoldsItsOwnParametersAndSelectingLoadsThem) {
    VirtualCamera camera;
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());

    const Json::Value groups = client.command(cmd::GetConfigGroup);
    EXPECT_EQ(names(groups), std::vector<std::string>{"default"});
    EXPECT_EQ(groups[member::CurrentConfig].asString(), "default");

    ASSERT_EQ(errorOf(client.setParam(param::Scan3DGain, 4.0)), "");
    ASSERT_EQ(errorOf(client.userSet(cmd::AddConfigGroup, "bright")), "");
    // A new set starts from the current parameters; adding does not select it.
    EXPECT_EQ(client.command(cmd::GetConfigGroup)[member::CurrentConfig].asString(), "default");
    ASSERT_EQ(errorOf(client.userSet(cmd::SetConfigGroup, "bright")), "");
    EXPECT_EQ(client.getParam(param::Scan3DGain)[member::PropertyValue].asDouble(), 4.0);
    ASSERT_EQ(errorOf(client.setParam(param::Scan3DGain, 9.0)), "");

    ASSERT_EQ(errorOf(client.userSet(cmd::SetConfigGroup, "default")), "");
    EXPECT_EQ(client.getParam(param::Scan3DGain)[member::PropertyValue].asDouble(), 4.0);
    ASSERT_EQ(errorOf(client.userSet(cmd::SetConfigGroup, "bright")), "");
    EXPECT_EQ(client.getParam(param::Scan3DGain)[member::PropertyValue].asDouble(), 9.0);

    // Deleting the current set falls back to the default set.
    ASSERT_EQ(errorOf(client.userSet(cmd::DeleteConfigGroup, "bright")), "");
    const Json::Value after = client.command(cmd::GetConfigGroup);
    EXPECT_EQ(names(after), std::vector<std::string>{"default"});
    EXPECT_EQ(after[member::CurrentConfig].asString(), "default");
}

TEST(UserSets, RefusalsAreReported) {
    VirtualCamera camera;
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    ASSERT_EQ(errorOf(client.userSet(cmd::AddConfigGroup, "a")), "");
    struct Case {
        const char* command;
        std::string name;
        const char* expected;
    } cases[] = {
        {cmd::AddConfigGroup, "a", "already exists"},
        {cmd::AddConfigGroup, "default", "already exists"},
        {cmd::AddConfigGroup, "", "empty"},
        {cmd::AddConfigGroup, std::string(65, 'n'), "64 bytes"},
        {cmd::DeleteConfigGroup, "default", "cannot be deleted"},
        {cmd::DeleteConfigGroup, "nope", "does not exist"},
        {cmd::SetConfigGroup, "nope", "does not exist"},
        {cmd::SetConfigGroup, "", "does not exist"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(client.userSet(c.command, c.name));
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.command << " " << c.name << " -> " << error;
    }
    for (int i = 0; i < 14; ++i)
        ASSERT_EQ(errorOf(client.userSet(cmd::AddConfigGroup, "s" + std::to_string(i))), "");
    EXPECT_NE(errorOf(client.userSet(cmd::AddConfigGroup, "one-too-many")), "");
    EXPECT_EQ(names(client.command(cmd::GetConfigGroup)).size(), 16u);
}

TEST(UserSets, SavedSetsSurviveARestart) {
    StateFolder folder;
    {
        VirtualCamera camera(inFolder(folder.path()));
        ASSERT_TRUE(camera.start());
        CameraClient client(camera.port());
        ASSERT_EQ(errorOf(client.userSet(cmd::AddConfigGroup, "line 3")), "");
        ASSERT_EQ(errorOf(client.userSet(cmd::SetConfigGroup, "line 3")), "");
        ASSERT_EQ(errorOf(client.setParam(param::DepthUpperLimit, 1800)), "");
        ASSERT_EQ(errorOf(client.setParam(param::Scan2DHDRExposureSequence, "5ms,50ms")), "");
        ASSERT_EQ(errorOf(client.save()), "");
        EXPECT_TRUE(fs::exists(camera.stateFile()));
        EXPECT_FALSE(fs::exists(camera.stateFile() + ".tmp"));
        // Changed after the save: lost at the restart.
        ASSERT_EQ(errorOf(client.setParam(param::DepthUpperLimit, 1700)), "");
    }
    VirtualCamera camera(inFolder(folder.path()));
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    const Json::Value groups = client.command(cmd::GetConfigGroup);
    EXPECT_EQ(names(groups), (std::vector<std::string>{"default", "line 3"}));
    EXPECT_EQ(groups[member::CurrentConfig].asString(), "line 3");
    EXPECT_EQ(client.getParam(param::DepthUpperLimit)[member::PropertyValue].asInt(), 1800);
    EXPECT_EQ(client.getParam(param::Scan2DHDRExposureSequence)[member::PropertyValue].asString(),
              "5ms,50ms");
    ASSERT_EQ(errorOf(client.userSet(cmd::SetConfigGroup, "default")), "");
    EXPECT_EQ(client.getParam(param::DepthUpperLimit)[member::PropertyValue].asInt(), 2500);
}

TEST(UserSets, AFailedSaveIsReportedAndKeepsTheOldFile) {
    StateFolder folder;
    VirtualCamera camera(inFolder(folder.path()));
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    ASSERT_EQ(errorOf(client.save()), "");
    const std::string saved = readFile(camera.stateFile());
    ASSERT_EQ(errorOf(client.userSet(cmd::AddConfigGroup, "unsaved")), "");
    {
        // A file size limit makes writing the new file fail part-way.
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const std::string error = errorOf(client.save());
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        EXPECT_NE(error.find("Cannot store the user sets"), std::string::npos) << error;
    }
    EXPECT_EQ(readFile(camera.stateFile()), saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(UserSets, ALinkPlantedNextToTheFileIsNotFollowed) {
    StateFolder folder;
    fs::create_directories(folder.path());
    const fs::path victim = folder.path() / "victim";
    std::ofstream(victim) << "precious";
    VirtualCamera camera(inFolder(folder.path()));
    ASSERT_TRUE(camera.start());
    for (const char* name : {"user_sets.json.tmp", "user_sets.json.new", "user_sets.json~"})
        fs::create_symlink(victim, folder.path() / name);
    CameraClient client(camera.port());
    ASSERT_EQ(errorOf(client.save()), "");
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_NE(readFile(camera.stateFile()).find("default"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(camera.stateFile())));
}

TEST(UserSets, CameraConfigAppliesAllParametersOrNone) {
    VirtualCamera camera;
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    Json::Value request;
    request[member::Cmd] = cmd::SetCameraConfig;
    request[member::Persistent] = false;
    request[member::CameraConfig][param::Scan3DGain] = 3.0;
    request[member::CameraConfig][param::DepthLowerLimit] = 9999;  // refused
    EXPECT_NE(errorOf(client.request(request)), "");
    EXPECT_EQ(client.getParam(param::Scan3DGain)[member::PropertyValue].asDouble(), 1.0);
    request[member::CameraConfig][param::DepthLowerLimit] = 400;
    EXPECT_EQ(errorOf(client.request(request)), "");
    EXPECT_EQ(client.getParam(param::Scan3DGain)[member::PropertyValue].asDouble(), 3.0);
    EXPECT_EQ(client.getParam(param::DepthLowerLimit)[member::PropertyValue].asInt(), 400);
}

TEST(UserSets, ACorruptStateFileStopsTheStartAndIsLeftAsItWas) {
    StateFolder folder;
    fs::create_directories(folder.path());
    const fs::path file = folder.path() / "user_sets.json";
    const std::string corrupt[] = {
        "{\"format\": \"quorix-virtual-camera-user-sets\", \"sets\": [",
        "{\"format\":\"quorix-virtual-camera-user-sets\",\"version\":1,\"current\":\"default\",\"sets\":[{"
        "\"name\":"
        "\"default\",\"parameters\":{\"Scan3DGain\":\"loud\"}}]}",
        "{\"format\":\"quorix-virtual-camera-user-sets\",\"version\":1,\"current\":\"x\",\"sets\":[{\"name\":"
        "\"default\",\"parameters\":{}}]}",
        "[]",
        std::string(100000, '['),
    };
    for (const auto& text : corrupt) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        VirtualCamera camera(inFolder(folder.path()));
        std::string error;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(camera.start(&error)) << text;
        const std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(error.find(file.string()), std::string::npos) << error;
        EXPECT_NE(printed.find(error), std::string::npos) << printed;
        EXPECT_EQ(readFile(file), text);
    }
}

TEST(UserSets, InstancesKeepTheirOwnState) {
    StateFolder first, second;
    VirtualCamera a(inFolder(first.path())), b(inFolder(second.path()));
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start());
    ASSERT_NE(a.port(), b.port());
    CameraClient clientA(a.port()), clientB(b.port());
    ASSERT_EQ(errorOf(clientA.userSet(cmd::AddConfigGroup, "only-a")), "");
    ASSERT_EQ(errorOf(clientA.setParam(param::Scan3DGain, 7.0)), "");
    ASSERT_EQ(errorOf(clientA.save()), "");
    EXPECT_EQ(names(clientB.command(cmd::GetConfigGroup)), std::vector<std::string>{"default"});
    EXPECT_EQ(clientB.getParam(param::Scan3DGain)[member::PropertyValue].asDouble(), 1.0);
    EXPECT_FALSE(fs::exists(b.stateFile()));
}

}  // namespace
