// The library's diagnostic lines: printed as before by default, handed to the host's handler once one is
// installed, printed again once it is removed.

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"
#include "support/scripted_camera.h"
#include "transport/diagnostics.h"

namespace {

using norvik::api::QuorixDevice;
using norvik::transport::DiagnosticStream;
using norvik::transport::reportDiagnostic;

struct Collected {
    std::mutex mutex;
    std::vector<std::string> lines;
};

TEST(Diagnostics, DefaultPrintsEachLineOnItsStream) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    reportDiagnostic(DiagnosticStream::Output, "UDP Bind error.\n98");
    reportDiagnostic(DiagnosticStream::Error, "Failed to parse JSON from x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to parse JSON from x\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "UDP Bind error.\n98\n");
}

TEST(Diagnostics, AnInstalledHandlerReceivesTheLinesOfAFailedExchange) {
    quorix_test::ScriptedCamera camera;
    camera.serveIdentity();
    QuorixDevice device;
    ASSERT_TRUE(device.connect("127.0.0.1", camera.port(), 300).isOk());
    quorix_test::Reply silent;
    silent.silent = true;
    camera.queueNext(silent);

    auto collected = std::make_shared<Collected>();
    QuorixDevice::setDiagnosticHandler([collected](const std::string& text) {
        std::lock_guard<std::mutex> lock(collected->mutex);
        collected->lines.push_back(text);
        throw std::runtime_error("a handler's exception stays with the library");
    });
    testing::internal::CaptureStdout();
    double gain = 0;
    EXPECT_FALSE(device.getScan3DGain(gain).isOk());
    QuorixDevice::setDiagnosticHandler(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(collected->lines.size(), 1u);
    EXPECT_EQ(collected->lines[0], "Recv failed!tcp://127.0.0.1:" + std::to_string(camera.port()));

    // Removed: the default printing is back.
    testing::internal::CaptureStdout();
    reportDiagnostic(DiagnosticStream::Output, "Recv failed!");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Recv failed!\n");
}

}  // namespace
