// The quorix-virtual-camera executable: options, serving, and a clean stop on SIGTERM and SIGINT.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "camera_client.h"

namespace {

using namespace vcam_test;
namespace fs = std::filesystem;
namespace member = norvik::protocol::member;

// The executable sits in the build tree next to this test program's folder.
fs::path executable() {
    char self[PATH_MAX] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return {};
    return fs::path(self).parent_path().parent_path() / "tools" / "virtual-camera" / "quorix-virtual-camera";
}

// A running executable with its standard output on a pipe.
class Process {
public:
    explicit Process(std::vector<std::string> args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
    ~Process() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_) ::fclose(out_);
    }
    std::string line() {
        char buffer[512] = {};
        return out_ && std::fgets(buffer, sizeof buffer, out_) ? buffer : "";
    }
    int stop(int signal) {
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    bool waited_ = false;
};

TEST(Executable, ServesWithItsOptionsAndStopsCleanlyOnSignals) {
    const fs::path program = executable();
    if (!fs::exists(program)) GTEST_SKIP() << "not built: " << program;
    for (int signal : {SIGTERM, SIGINT}) {
        Process camera({program.string(), "--address", "127.0.0.5", "--model", "2", "--id", "CELL-7",
                        "--color-size", "64x48", "--depth-size", "32x24", "--no-announce"});
        const std::string banner = camera.line();
        std::smatch match;
        ASSERT_TRUE(std::regex_search(banner, match, std::regex("tcp://127\\.0\\.0\\.5:(\\d+)"))) << banner;
        CameraClient client(static_cast<std::uint16_t>(std::stoi(match[1])), "127.0.0.5");
        const Json::Value info = client.command(norvik::protocol::command::GetCameraInfo)[member::CameraInfo];
        EXPECT_EQ(info[member::QuorixId].asString(), "CELL-7");
        EXPECT_EQ(info[member::Model].asInt(), 2);
        const Json::Value format =
            client.command(norvik::protocol::command::GetImageFormat)[member::ImageFormat];
        EXPECT_EQ(format[member::ImageSize3D][0].asInt(), 32);
        EXPECT_EQ(camera.stop(signal), 0);
    }
}

TEST(Executable, RefusesBadOptions) {
    const fs::path program = executable();
    if (!fs::exists(program)) GTEST_SKIP() << "not built: " << program;
    for (const char* bad : {"--color-size=12", "--announce-to=127.0.0.1", "--port=70000", "--model=x"}) {
        Process camera({program.string(), bad, "--no-announce"});
        EXPECT_NE(camera.wait(), 0) << bad;
    }
}

}  // namespace
