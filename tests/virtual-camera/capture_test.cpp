// Captures of the virtual camera, decoded by hand: framing, payload encodings and the visible effect of the
// settings.

#include <gtest/gtest.h>

#include "camera_client.h"
#include "virtualcam/virtual_camera.h"

namespace {

using namespace vcam_test;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;
namespace member = norvik::protocol::member;
namespace param = norvik::protocol::parameter;
using Type = norvik::protocol::ImageType;

Options small(int model = 13) {
    Options options;
    options.modelCode = model;
    options.colorSize = {480, 300};
    options.depthSize = {400, 250};
    return options;
}

double meanLevel(const Capture& c) {
    double sum = 0;
    for (unsigned char b : c.payload) sum += b;
    return sum / static_cast<double>(c.payload.size());
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(started); }
    Capture take(Type type) {
        auto c = client.capture(type);
        EXPECT_TRUE(c);
        return c ? *c : Capture{};
    }
    VirtualCamera camera{small()};
    bool started = camera.start();
    CameraClient client{camera.port()};
};

TEST_F(CaptureTest, DepthIsFramedAsOffsetLittleEndianSamples) {
    const Capture depth = take(Type::Depth);
    EXPECT_EQ(errorOf(depth.json), "");
    EXPECT_EQ(depth.rows, 250);
    EXPECT_EQ(depth.cols, 400);
    EXPECT_EQ(depth.byteCount, 2 * 250 * 400);
    EXPECT_EQ(depth.payload.size(), static_cast<std::size_t>(depth.byteCount));
    EXPECT_LE(5000 * depth.scale + norvik::protocol::kDepthOffset, 65535.0);
    int measured = 0;
    for (int r = 0; r < depth.rows; ++r)
        for (int c = 0; c < depth.cols; ++c) {
            const double d = depth.depthAt(c, r);
            if (d == 0) continue;
            ++measured;
            EXPECT_GE(d, 300.0);  // the default depth range
            EXPECT_LE(d, 2500.0);
        }
    EXPECT_GT(measured, depth.rows * depth.cols * 9 / 10);
}

TEST_F(CaptureTest, ColourIsBgrOrGrayByModel) {
    const Capture colour = take(Type::Color);
    EXPECT_EQ(colour.type, norvik::protocol::kPixelTypeBgr);
    EXPECT_EQ(colour.rows, 300);
    EXPECT_EQ(colour.cols, 480);
    EXPECT_EQ(colour.byteCount, 3 * 300 * 480);
    EXPECT_EQ(colour.payload.size(), static_cast<std::size_t>(colour.byteCount));

    VirtualCamera mono(small(10));
    ASSERT_TRUE(mono.start());
    CameraClient monoClient(mono.port());
    const auto gray = monoClient.capture(Type::Color);
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->type, norvik::protocol::kPixelTypeGray);
    EXPECT_EQ(gray->byteCount, 300 * 480);
    EXPECT_EQ(gray->payload.size(), 300u * 480u);
}

TEST_F(CaptureTest, DepthRangeAndRegionTakeEffect) {
    ASSERT_EQ(errorOf(client.setParam(param::DepthLowerLimit, 1000)), "");
    ASSERT_EQ(errorOf(client.setParam(param::DepthUpperLimit, 1150)), "");
    ASSERT_EQ(errorOf(client.setParam(param::Scan3DROI, roi(50, 40, 200, 100))), "");
    const Capture depth = take(Type::Depth);
    int measured = 0;
    for (int r = 0; r < depth.rows; ++r)
        for (int c = 0; c < depth.cols; ++c) {
            const double d = depth.depthAt(c, r);
            if (d == 0) continue;
            ++measured;
            EXPECT_TRUE(c >= 50 && c < 250 && r >= 40 && r < 140) << c << "," << r;
            EXPECT_GE(d, 1000.0);
            EXPECT_LE(d, 1150.0);
        }
    EXPECT_GT(measured, 1000);
}

TEST_F(CaptureTest, ColourRegionAndExposureTakeEffect) {
    const double normal = meanLevel(take(Type::Color));
    ASSERT_EQ(errorOf(client.setParam(param::Scan2DExposureTime, 5.0)), "");
    const double dark = meanLevel(take(Type::Color));
    EXPECT_LT(dark, normal * 0.5);

    ASSERT_EQ(errorOf(client.setParam(param::Scan2DROI, roi(100, 100, 50, 60))), "");
    const Capture cropped = take(Type::Color);
    for (int r = 0; r < cropped.rows; r += 7)
        for (int c = 0; c < cropped.cols; c += 7) {
            const bool inside = c >= 100 && c < 150 && r >= 100 && r < 160;
            const unsigned char* p = cropped.pixel(c, r);
            if (!inside) {
                EXPECT_EQ(p[0] | p[1] | p[2], 0) << c << "," << r;
            }
        }
    EXPECT_GT(meanLevel(cropped), 0.0);
}

TEST_F(CaptureTest, AnUnchangedConfigurationReusesItsFrames) {
    const Capture first = take(Type::Depth);
    const int rendered = camera.framesRendered();
    const Capture again = take(Type::Depth);
    EXPECT_EQ(camera.framesRendered(), rendered);
    EXPECT_EQ(first.payload, again.payload);
    take(Type::Color);
    take(Type::Color);
    EXPECT_EQ(camera.framesRendered(), rendered + 1);
    // A setting that shapes the depth map renders it again; one that does not, does not.
    ASSERT_EQ(errorOf(client.setParam(param::Scan3DGain, 8.0)), "");
    ASSERT_EQ(errorOf(client.setParam(param::LaserPowerLevel, 50)), "");
    const Capture noisier = take(Type::Depth);
    EXPECT_EQ(camera.framesRendered(), rendered + 2);
    EXPECT_NE(noisier.payload, first.payload);
}

}  // namespace

namespace {

// A very tall image looks above the horizon: those rays meet nothing and give no measurement.
TEST(CaptureShapes, RaysAboveTheHorizonGiveNoMeasurement) {
    Options options;
    options.colorSize = {24, 3000};
    options.depthSize = {24, 3000};
    VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());
    CameraClient client(camera.port());
    const auto depth = client.capture(Type::Depth);
    const auto colour = client.capture(Type::Color);
    ASSERT_TRUE(depth && colour);
    EXPECT_EQ(depth->depthAt(12, 0), 0.0);
    EXPECT_EQ(colour->pixel(12, 0)[1], 0);
    EXPECT_GT(depth->depthAt(12, 1500), 0.0);  // the optical axis still meets the ground
}

}  // namespace
