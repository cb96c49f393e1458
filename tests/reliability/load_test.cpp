// Load: many threads on one device, many devices in one process, and thousands of captures in flat memory.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "allocation_counter.h"
#include "operations.h"
#include "quorix/QuorixDevice.h"
#include "reliability_figures.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace reliability;
using norvik::api::QuorixDevice;
using quorix::virtualcam::VirtualCamera;

// Long enough for a sanitized build on a busy machine: these tests are about correctness, not time-outs.
constexpr int kLoadTimeoutMs = 5000;

TEST(LoadThreads, FourThreadsShareOneDeviceAndNoReplyIsSwapped) {
    VirtualCamera camera(smallCamera());
    ASSERT_TRUE(camera.start());
    QuorixDevice device;
    ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), kLoadTimeoutMs).isOk());
    // Values that tell the replies apart.
    ASSERT_TRUE(device.setScan3DGain(3.5).isOk());
    ASSERT_TRUE(device.setScan2DExpectedGrayValue(77).isOk());
    ASSERT_TRUE(device.setDepthRange({321, 1234}).isOk());

    const auto& ops = operations();
    std::vector<std::string> expected(ops.size());
    for (std::size_t i = 0; i < ops.size(); ++i) ASSERT_TRUE(ops[i].run(device, expected[i]).isOk()) << i;

    constexpr int kThreads = 4;
    constexpr int kCommands = 10000;
    std::atomic<int> failures{0};
    std::atomic<int> swapped{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int n = 0; n < kCommands / kThreads; ++n) {
                // Each thread walks the operations from its own offset, so that all mixes meet.
                const std::size_t i = static_cast<std::size_t>(n * 7 + t * 3) % ops.size();
                std::string digest;
                if (!ops[i].run(device, digest).isOk())
                    ++failures;
                else if (digest != expected[i])
                    ++swapped;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(swapped.load(), 0);
    recordFigure("load.thread_commands", kCommands);
    recordFigure("load.thread_commands_wrong", failures.load() + swapped.load());
}

TEST(LoadParallel, EightDevicesCaptureInParallel) {
    constexpr int kDevices = 8;
    constexpr int kCaptures = 40;
    std::vector<std::unique_ptr<VirtualCamera>> cameras;
    std::vector<std::unique_ptr<QuorixDevice>> devices;
    for (int i = 0; i < kDevices; ++i) {
        // Different models give different image kinds (colour and gray) and calibrations.
        cameras.push_back(std::make_unique<VirtualCamera>(smallCamera(i % 2 == 0 ? 13 : 9)));
        ASSERT_TRUE(cameras.back()->start());
        devices.push_back(std::make_unique<QuorixDevice>());
        ASSERT_TRUE(devices.back()->connect("127.0.0.1", cameras.back()->port(), kLoadTimeoutMs).isOk());
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kDevices; ++i) {
        threads.emplace_back([&, i] {
            QuorixDevice& device = *devices[static_cast<std::size_t>(i)];
            norvik::api::Frame<norvik::api::ElementPointXYZBGR> first;
            if (!device.capturePointXYZBGRMap(first).isOk()) ++wrong;
            norvik::api::Frame<norvik::api::ElementPointXYZBGR> cloud;
            for (int n = 0; n < kCaptures; ++n) {
                if (!device.capturePointXYZBGRMap(cloud).isOk() || cloud.width() != first.width() ||
                    cloud.height() != first.height() ||
                    std::memcmp(cloud.data(), first.data(),
                                sizeof(norvik::api::ElementPointXYZBGR) * cloud.width() * cloud.height()) !=
                        0)
                    ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    recordFigure("load.parallel_devices", kDevices);
    recordFigure("load.parallel_captures", kDevices * (kCaptures + 1));
    recordFigure("load.parallel_captures_wrong", wrong.load());
}

TEST(LoadMemory, TenThousandCapturesAllocateNothingAndKeepMemoryFlat) {
    VirtualCamera camera(smallCamera());
    ASSERT_TRUE(camera.start());
    QuorixDevice device;
    ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), kLoadTimeoutMs).isOk());
    norvik::api::Frame<norvik::api::ElementDepth> depth;
    norvik::api::Frame<norvik::api::ElementPointXYZBGR> cloud;
    // Warm-up: the frames take their size, the device its scratch.
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(device.captureDepthMap(depth).isOk());
        ASSERT_TRUE(device.capturePointXYZBGRMap(cloud).isOk());
    }

    constexpr int kCaptures = 10000;
    const long rssBefore = residentKiB();
    const std::uint64_t allocationsBefore = threadAllocations();
    int failures = 0;
    for (int i = 0; i < kCaptures / 2; ++i) {
        failures += !device.captureDepthMap(depth).isOk();
        failures += !device.capturePointXYZBGRMap(cloud).isOk();
    }
    const std::uint64_t allocations = threadAllocations() - allocationsBefore;
    const long rssGrowth = residentKiB() - rssBefore;
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(allocations, 0u) << "allocations in the capturing thread over " << kCaptures << " captures";
    if (!kAddressSanitized) {
        EXPECT_LT(rssGrowth, 4096) << "KiB of resident memory gained";
    }
    recordFigure("load.flat_memory_captures", kCaptures);
    recordFigure("load.flat_memory_allocations", static_cast<double>(allocations));
    if (!kAddressSanitized) recordFigure("load.flat_memory_rss_growth_kib", static_cast<double>(rssGrowth));
}

}  // namespace
