// The library against a misbehaving camera: every fault ends in an error status (or a correct result),
// within the time-out, without touching what the caller owns, and the next command works.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "operations.h"
#include "quorix/QuorixDevice.h"
#include "reliability_figures.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace reliability;
using norvik::api::QuorixDevice;
using quorix::virtualcam::VirtualCamera;
using Clock = std::chrono::steady_clock;

long elapsedMs(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// What a faulted run may leave: an error with the caller's capture frame released, or the clean result.
void expectSafe(const Operation& op, const norvik::api::ErrorStatus& status, const std::string& digest,
                const std::string& clean, const char* fault) {
    if (status.isOk()) {
        EXPECT_EQ(digest, clean) << op.name << " under " << fault << " succeeded with different data";
    } else {
        if (op.capture) {
            EXPECT_TRUE(digest.empty()) << op.name << " under " << fault << " kept a frame";
        }
    }
}

struct ReplyFault {
    const char* key;  // the test's name
    const char* name;
    void (*apply)(VirtualCamera&);
    bool mustFail;  // false: the reply may still be usable (junk behind a capture's image, say)
};

void PrintTo(const ReplyFault& fault, std::ostream* out) {
    *out << fault.name;
}

const ReplyFault kReplyFaults[] = {
    {"Truncated", "truncated reply", [](VirtualCamera& c) { c.truncateNextReplies(1); }, true},
    {"Malformed", "malformed reply", [](VirtualCamera& c) { c.malformNextReplies(1); }, false},
    {"Oversized", "oversized reply", [](VirtualCamera& c) { c.oversizeNextReplies(1); }, false},
    {"Missing", "no reply", [](VirtualCamera& c) { c.staySilentFor(1); }, true},
    {"Late", "late reply", [](VirtualCamera& c) { c.setReplyDelay(kTimeoutMs + 300); }, true},
};

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(camera.start());
        ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), kTimeoutMs).isOk());
    }
    VirtualCamera camera{smallCamera()};
    QuorixDevice device;
};

class ReplyFaultTest : public FaultTest, public ::testing::WithParamInterface<ReplyFault> {};

TEST_P(ReplyFaultTest, EveryOperationSurvivesIt) {
    const ReplyFault& fault = GetParam();
    int survived = 0;
    for (const Operation& op : operations()) {
        std::string clean;
        ASSERT_TRUE(op.run(device, clean).isOk()) << op.name;
        fault.apply(camera);
        const auto start = Clock::now();
        std::string digest;
        const auto status = op.run(device, digest);
        // A capture of a coloured cloud is two exchanges (and may read the calibration): three time-outs.
        EXPECT_LT(elapsedMs(start), 3 * kTimeoutMs + 1500) << op.name << " under " << fault.name;
        // An operation answered from what the device keeps leaves its fault for the next one: drop it.
        camera.setFaults(quorix::virtualcam::Faults{});
        if (fault.mustFail) {
            EXPECT_FALSE(status.isOk()) << op.name << " under " << fault.name;
        }
        expectSafe(op, status, digest, clean, fault.name);

        std::string after;
        EXPECT_TRUE(op.run(device, after).isOk()) << op.name << " after " << fault.name;
        EXPECT_EQ(after, clean) << op.name << " after " << fault.name;
        ++survived;
    }
    recordFigure(std::string("faults.reply_faults_survived.") + fault.key, survived);
}

INSTANTIATE_TEST_SUITE_P(Faults, ReplyFaultTest, ::testing::ValuesIn(kReplyFaults),
                         [](const ::testing::TestParamInfo<ReplyFault>& info) { return info.param.key; });

TEST_F(FaultTest, EveryCommandAnsweredWithAnError) {
    std::vector<std::string> clean;
    for (const Operation& op : operations()) {
        clean.emplace_back();
        ASSERT_TRUE(op.run(device, clean.back()).isOk()) << op.name;
    }
    camera.failCommand("*", "Projector overheated.");
    int survived = 0;
    std::size_t i = 0;
    for (const Operation& op : operations()) {
        std::string digest;
        const auto status = op.run(device, digest);
        // Identity and calibration are read at connection and kept; everything else asks the camera.
        if (status.isOk()) {
            EXPECT_EQ(digest, clean[i]) << op.name;
        } else {
            EXPECT_NE(status.message.find("Projector overheated."), std::string::npos)
                << op.name << ": " << status.message;
            if (op.capture) {
                EXPECT_TRUE(digest.empty()) << op.name;
            }
        }
        ++survived;
        ++i;
    }
    QuorixDevice other;
    EXPECT_FALSE(other.connect("127.0.0.1", camera.port(), kTimeoutMs).isOk());
    ++survived;
    camera.clearCommandFailure();
    EXPECT_TRUE(other.connect("127.0.0.1", camera.port(), kTimeoutMs).isOk());
    recordFigure("faults.err_msg_operations_survived", survived);
}

TEST(CameraRestart, DiesMidCaptureAndComesBackOnTheSamePort) {
    auto camera = std::make_unique<VirtualCamera>(smallCamera());
    ASSERT_TRUE(camera->start());
    const auto port = camera->port();
    QuorixDevice device;
    ASSERT_TRUE(device.connect("127.0.0.1", port, kTimeoutMs).isOk());
    norvik::api::Frame<norvik::api::ElementPointXYZBGR> frame;
    ASSERT_TRUE(device.capturePointXYZBGRMap(frame).isOk());

    // The capture is under way (its reply held back) when the camera goes away.
    camera->setReplyDelay(kTimeoutMs * 4);
    const auto start = Clock::now();
    auto capture = std::async(std::launch::async, [&] { return device.capturePointXYZBGRMap(frame); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    camera.reset();
    const auto status = capture.get();
    EXPECT_FALSE(status.isOk());
    EXPECT_LT(elapsedMs(start), 3 * kTimeoutMs + 1500);
    EXPECT_TRUE(frame.empty()) << "a failed capture releases the caller's frame";

    auto options = smallCamera();
    options.port = port;
    VirtualCamera back(options);
    std::string error;
    ASSERT_TRUE(back.start(&error)) << error;
    EXPECT_TRUE(device.capturePointXYZBGRMap(frame).isOk());
    EXPECT_EQ(frame.width(), 16u);
    double gain = 0;
    EXPECT_TRUE(device.getScan3DGain(gain).isOk());
    recordFigure("faults.camera_restarts_survived", 1);
}

}  // namespace
