// Several clients at once while faults and probes are used from another thread (run under ThreadSanitizer).

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "camera_client.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace cmd = norvik::protocol::command;
namespace member = norvik::protocol::member;
namespace param = norvik::protocol::parameter;

TEST(Concurrency, ClientsFaultsAndProbesOverlap) {
    Options options;
    options.colorSize = {96, 64};
    options.depthSize = {80, 60};
    options.announce = true;
    options.announcePort = 9;  // the discard port on loopback: nobody listens, nothing leaves the machine
    options.announcePeriodMs = 5;
    VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());

    std::atomic<int> failures{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 3; ++t) {
        clients.emplace_back([&, t] {
            CameraClient client(camera.port());
            for (int i = 0; i < 25; ++i) {
                bool ok = errorOf(client.setParam(param::Scan3DGain, 1.0 + t)) == "" &&
                          client.getParam(param::Scan3DGain).isMember(member::PropertyValue) &&
                          errorOf(client.command(cmd::GetConfigGroup)) == "";
                const auto depth = client.capture(norvik::protocol::ImageType::Depth);
                ok = ok && depth && depth->payload.size() == 2u * 80u * 60u;
                if (!ok) ++failures;
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        camera.failCommand("NoSuchCommand", "never sent");
        camera.setReplyDelay(i % 2);
        camera.setReportVirtual(i % 2 == 0);
        (void)camera.faults();
        (void)camera.probeDepthPixel(i % 80, i % 60);
        (void)camera.framesRendered();
    }
    for (auto& c : clients) c.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(Concurrency, CamerasStartAndStopInParallel) {
    std::vector<std::thread> threads;
    std::atomic<int> served{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            VirtualCamera camera;
            if (!camera.start()) return;
            CameraClient client(camera.port());
            if (client.command(cmd::GetCameraInfo)[member::CameraInfo][member::Port].asUInt() ==
                camera.port())
                ++served;
            camera.stop();
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(served.load(), 4);
}

}  // namespace
