// Clouds from a depth map the host holds: the same bytes as the capture clouds of the same frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "imaging/decode.h"
#include "imaging/point_cloud.h"
#include "imaging_fixtures.h"

namespace {

using namespace imaging_test;

template <typename T>
bool sameBytes(const Frame<T>& a, const Frame<T>& b, std::uint32_t rows) {
    return a.width() == b.width() && a.height() >= rows && b.height() >= rows &&
           std::memcmp(a.data(), b.data(), sizeof(T) * a.width() * rows) == 0;
}

Frame<ElementDepth> decoded(const ImageHeader& header, const std::string& payload) {
    Frame<ElementDepth> depth;
    EXPECT_TRUE(norvik::imaging::decodeDepthMap(header, payload, depth));
    return depth;
}

// Random maps, odd and large sizes, a 2D image of the depth map's size with an identity pose (the
// shortcut), and every vector level.
TEST(HeldDepthCloud, EqualsTheCaptureCloudsOfTheSameFrames) {
    std::mt19937 rng(16);
    const struct {
        int rows, cols, colorRows, colorCols;
        double scale;
        bool identity;
    } cases[] = {{1, 3, 4, 4, 10.0, false},           {7, 13, 20, 30, 10.0, false},
                 {37, 23, 37, 23, 5.0, true},         {120, 161, 120, 161, 20.0, false},
                 {600, 960, 1200, 1920, 10.0, false}, {200, 320, 200, 320, 3.7, true}};
    forEachVectorLevel([&] {
        for (const auto& c : cases) {
            const std::string payload = depthPayload(randomSamples(rng, std::size_t(c.rows) * c.cols));
            const ImageHeader header = depthHeader(c.rows, c.cols, c.scale);
            DeviceIntri in = realisticIntri(rng, c.cols, c.rows, c.colorCols, c.colorRows);
            if (c.identity) {
                for (int i = 0; i < 3; ++i) {
                    for (int j = 0; j < 3; ++j) in.rotation[i][j] = i == j ? 1 : 0;
                    in.translation[i] = 0;
                }
            }
            const auto color = randomImage(rng, std::uint32_t(c.colorCols), std::uint32_t(c.colorRows));
            Frame<ElementPointXYZ> want, got;
            Frame<ElementPointXYZBGR> wantColored, gotColored;
            ASSERT_TRUE(norvik::imaging::computePointXYZ(header, payload, in.intrinsic3DCamera, want));
            ASSERT_TRUE(norvik::imaging::computePointXYZBGR(color, header, payload, in, wantColored));
            const Frame<ElementDepth> depth = decoded(header, payload);
            ASSERT_TRUE(QuorixDevice::computePointXYZMap(depth, in, got).isOk());
            ASSERT_TRUE(QuorixDevice::computePointXYZBGRMap(depth, color, in, gotColored).isOk());
            const std::string size = std::to_string(c.rows) + "x" + std::to_string(c.cols);
            EXPECT_TRUE(sameBytes(got, want, want.height())) << size;
            EXPECT_TRUE(sameBytes(gotColored, wantColored, wantColored.height())) << size;
        }
    });
}

// A map with more distinct depths than a 16-bit sample can index (a made-up or resampled one) is computed by
// the formulas: its rows equal those of a map that holds only their depths.
TEST(HeldDepthCloud, MapsWithManyDistinctDepthsGiveTheSamePoints) {
    std::mt19937 rng(7);
    const int rows = 40, cols = 256, extraRows = 300;
    const std::string payload = depthPayload(randomSamples(rng, std::size_t(rows) * cols));
    const Frame<ElementDepth> small = decoded(depthHeader(rows, cols, 10.0), payload);
    Frame<ElementDepth> large;
    large.resize(cols, rows + extraRows);
    std::memcpy(large.data(), small.data(), sizeof(ElementDepth) * rows * cols);
    for (std::size_t i = std::size_t(rows) * cols; i < std::size_t(cols) * (rows + extraRows); ++i)
        large[i].d = 300.0f + static_cast<float>(i) / 64.0f;  // every one different
    const DeviceIntri in = realisticIntri(rng, cols, rows + extraRows, 640, 480);
    const auto color = randomImage(rng, 640, 480);
    forEachVectorLevel([&] {
        Frame<ElementPointXYZ> a, b;
        Frame<ElementPointXYZBGR> ca, cb;
        ASSERT_TRUE(QuorixDevice::computePointXYZMap(small, in, a).isOk());
        ASSERT_TRUE(QuorixDevice::computePointXYZMap(large, in, b).isOk());
        ASSERT_TRUE(QuorixDevice::computePointXYZBGRMap(small, color, in, ca).isOk());
        ASSERT_TRUE(QuorixDevice::computePointXYZBGRMap(large, color, in, cb).isOk());
        EXPECT_TRUE(sameBytes(b, a, rows));
        EXPECT_TRUE(sameBytes(cb, ca, rows));
        const std::size_t last = std::size_t(cols) * (rows + extraRows) - 1;
        EXPECT_EQ(b[last].z, large[last].d);
        EXPECT_TRUE(sameBits(b[last].x,
                             static_cast<float>((double(cols - 1) - in.intrinsic3DCamera.intrinsic[2]) *
                                                double(large[last].d) / in.intrinsic3DCamera.intrinsic[0])));
    });
}

// Any float may stand in a held map: tiny, subnormal, huge, infinite and NaN depths among ordinary ones give
// the formulas' points, whichever way the loops divide around them.
TEST(HeldDepthCloud, ExtremeDepthsGiveTheFormulasPoints) {
    std::mt19937 rng(23);
    const float extremes[] = {0.0f,   -0.0f,     1e-30f,     -3e-39f, 1e-45f, 1e30f, 3.4e38f,
                              -1e20f, HUGE_VALF, -HUGE_VALF, NAN,     5e-8f,  0.3f,  700.25f};
    const int rows = 9, cols = 67;
    Frame<ElementDepth> depth = filledFrame<ElementDepth>(cols, rows, {850.0f});
    std::uniform_int_distribution<int> pick(0, int(sizeof extremes / sizeof extremes[0]) - 1), spot(0, 5);
    for (int i = 0; i < rows * cols; ++i)
        if (spot(rng) == 0) depth[i].d = extremes[pick(rng)];
    const DeviceIntri in = realisticIntri(rng, cols, rows, cols, rows);
    const double* k = in.intrinsic3DCamera.intrinsic;
    auto same = [](float a, float b) { return sameBits(a, b) || (std::isnan(a) && std::isnan(b)); };
    forEachVectorLevel([&] {
        Frame<ElementPointXYZ> cloud;
        ASSERT_TRUE(QuorixDevice::computePointXYZMap(depth, in, cloud).isOk());
        for (int row = 0; row < rows; ++row) {
            for (int col = 0; col < cols; ++col) {
                const float z = depth[std::size_t(row) * cols + col].d;
                const ElementPointXYZ& p = cloud[std::size_t(row) * cols + col];
                EXPECT_TRUE(same(p.x, static_cast<float>((double(col) - k[2]) * double(z) / k[0])) &&
                            same(p.y, static_cast<float>((double(row) - k[3]) * double(z) / k[1])) &&
                            same(p.z, z))
                    << row << "," << col << " depth " << z;
            }
        }
    });
}

TEST(HeldDepthCloud, RefusalsLeaveTheCloudAsItWas) {
    std::mt19937 rng(1);
    const Frame<ElementDepth> depth = filledFrame<ElementDepth>(4, 3, {500.0f});
    const Frame<ElementColor> color = randomImage(rng, 4, 3);
    DeviceIntri in = realisticIntri(rng, 4, 3, 4, 3);
    auto points = filledFrame<ElementPointXYZ>(1, 1, {1, 2, 3});
    auto colored = filledFrame<ElementPointXYZBGR>(1, 1, {1, 2, 3, 4, 5, 6});
    auto expectUntouched = [&](const ErrorStatus& status, int code, const std::string& message) {
        EXPECT_EQ(status.code, code);
        EXPECT_EQ(status.message, message);
        ASSERT_EQ(points.width(), 1u);
        EXPECT_EQ(points[0].z, 3);
        ASSERT_EQ(colored.width(), 1u);
        EXPECT_EQ(colored[0].z, 6);
    };
    expectUntouched(QuorixDevice::computePointXYZMap(Frame<ElementDepth>(), in, points), EmptyInput,
                    "The input depth map is empty.");
    expectUntouched(QuorixDevice::computePointXYZBGRMap(depth, Frame<ElementColor>(), in, colored),
                    EmptyInput, "The input depth map or the 2D image is empty.");
    for (double bad : {0.0, 1e-17, std::nan("")}) {
        DeviceIntri zero = in;
        zero.intrinsic3DCamera.intrinsic[1] = bad;
        expectUntouched(QuorixDevice::computePointXYZMap(depth, zero, points), InvalidIntrinsics,
                        "The intrinsics parameters is invalid.");
        expectUntouched(QuorixDevice::computePointXYZBGRMap(depth, color, zero, colored), InvalidIntrinsics,
                        "The intrinsics parameters is invalid.");
    }
}

// Through the public interface: a depth map and a 2D image captured once give the clouds the cloud captures
// give for the same frames.
TEST(HeldDepthCloud, TwoCapturesGiveTheCloudsOfTheCloudCaptures) {
    const Json::Value calibration = calibrationReply({1000, 1001, 30, 20}, {1500, 1502, 40, 30},
                                                     {0.01, 0.002, 0.0, 0.9998, 0.01, 0.015, 0.0});
    ConnectedCamera cam(13, &calibration);
    std::mt19937 rng(5);
    const auto samples = depthPayload(randomSamples(rng, 48 * 64));
    const Frame<ElementColor> color = randomImage(rng, 80, 60);
    cam.queueCapture(captureReply(0.0, 60, 80, kBgr, bgrPayload(color)));
    cam.queueCapture(captureReply(10.0, 48, 64, 0, samples));
    cam.queueCapture(captureReply(10.0, 48, 64, 0, samples));
    cam.queueCapture(captureReply(0.0, 60, 80, kBgr, bgrPayload(color)));
    cam.queueCapture(captureReply(10.0, 48, 64, 0, samples));
    Frame<ElementColor> heldColor;
    Frame<ElementDepth> heldDepth;
    Frame<ElementPointXYZ> captured, computed;
    Frame<ElementPointXYZBGR> capturedColored, computedColored;
    ASSERT_TRUE(cam.device.captureColorMap(heldColor).isOk());
    ASSERT_TRUE(cam.device.captureDepthMap(heldDepth).isOk());
    ASSERT_TRUE(cam.device.capturePointXYZMap(captured).isOk());
    ASSERT_TRUE(cam.device.capturePointXYZBGRMap(capturedColored).isOk());
    DeviceIntri in;
    ASSERT_TRUE(cam.device.getDeviceIntri(in).isOk());
    ASSERT_TRUE(QuorixDevice::computePointXYZMap(heldDepth, in, computed).isOk());
    ASSERT_TRUE(QuorixDevice::computePointXYZBGRMap(heldDepth, heldColor, in, computedColored).isOk());
    EXPECT_TRUE(sameBytes(computed, captured, 48));
    EXPECT_TRUE(sameBytes(computedColored, capturedColored, 48));
}

}  // namespace
