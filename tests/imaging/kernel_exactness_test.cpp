// The imaging kernels against plain references of their formulas, bit for bit, at every instruction set
// the loops are compiled for and the processor runs. Nothing here needs the network or a device: these tests
// also run cross-compiled for aarch64 (scripts/aarch64-kernels.sh).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "imaging/decode.h"
#include "imaging/point_cloud.h"
#include "imaging/projection.h"
#include "imaging/texture_mask.h"
#include "kernel_references.h"

namespace {

using namespace imaging_test;
using norvik::imaging::computePointXYZ;
using norvik::imaging::computePointXYZBGR;

// The parallel decoder against the formula, over sizes that leave partial groups at row ends and block edges.
TEST(Decode, DepthEqualsTheFormulaBitForBit) {
    std::mt19937 rng(11);
    const struct {
        int rows, cols;
        double scale;
    } cases[] = {{1, 1, 2.0},
                 {7, 13, 10.0},
                 {37, 23, 3.3},
                 {480, 641, -7.25},
                 {1024, 1024, 0.1},
                 {3, 5, 1e308},
                 {2, 9, 1.0 / (1.0 + 0x1p-24)}};
    forEachVectorLevel([&] {
        for (const auto& c : cases) {
            const auto samples = randomSamples(rng, std::size_t(c.rows) * c.cols);
            const std::string payload = depthPayload(samples);
            Frame<ElementDepth> depth;
            ASSERT_TRUE(
                norvik::imaging::decodeDepthMap(depthHeader(c.rows, c.cols, c.scale), payload, depth));
            for (std::size_t i = 0; i < samples.size(); ++i) {
                ASSERT_TRUE(sameBits(depth[i].d, refDepth(samples[i], c.scale)))
                    << c.rows << "x" << c.cols << " at " << i;
            }
        }
    });
}

// Every sample at scales that are floats, by which the depth maps may divide in floats: small and large ones,
// the largest they divide by, and one beyond it.
TEST(Decode, EverySampleEqualsTheFormulaAtScalesThatAreFloats) {
    std::vector<std::uint16_t> samples(65536);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>(i);
    const std::string payload = depthPayload(samples);
    const double scales[] = {10.0, -7.25, 3.3f, 0.1f, 0x1.fffffep+23, 0x1p-51, -0x1p100, 0x1p101};
    forEachVectorLevel([&] {
        for (const double scale : scales) {
            Frame<ElementDepth> depth;
            ASSERT_TRUE(norvik::imaging::decodeDepthMap(depthHeader(256, 256, scale), payload, depth));
            for (std::size_t i = 0; i < samples.size(); ++i)
                ASSERT_TRUE(sameBits(depth[i].d, refDepth(samples[i], scale))) << scale << " at " << i;
        }
    });
}

TEST(Decode, DecodersRefuseInputsTheirHeaderDoesNotCover) {
    Frame<ElementDepth> depth = filledFrame<ElementDepth>(1, 1, {3.0f});
    EXPECT_FALSE(norvik::imaging::decodeDepthMap(depthHeader(2, 2, 0.0), depthPayload({1, 2, 3, 4}), depth));
    EXPECT_FALSE(norvik::imaging::decodeDepthMap(depthHeader(2, 2, 1.0), depthPayload({1, 2, 3}), depth));
    EXPECT_FALSE(norvik::imaging::decodeDepthMap(depthHeader(-2, 2, 1.0), depthPayload({1, 2, 3, 4}), depth));
    EXPECT_EQ(depth.width(), 1u);
    EXPECT_EQ(depth[0].d, 3.0f);
}

// Random maps and calibrations, odd sizes (partial groups at row ends), streamed sizes (with rows of any
// length, narrower than a vector too, whose streamed steps start a few pixels in), a 2D image too wide for
// its rows' bytes to fit 16 bits, reciprocals that land next to float rounding midpoints, and divisors
// whose reciprocal is not a normal number.
TEST(PointCloud, EqualsTheFormulaBitForBit) {
    std::mt19937 rng(2024);
    const struct {
        int rows, cols, colorRows, colorCols;
        double scale;
        double fx;  // 0: random
    } cases[] = {{1, 3, 4, 4, 10.0, 0},
                 {7, 13, 20, 30, 10.0, 0},
                 {37, 23, 64, 48, 5.0, 0},
                 {120, 161, 120, 161, 20.0, 0},
                 {1024, 1024, 1200, 1920, 10.0, 0},
                 {800, 1021, 480, 1100, 10.0, 0},
                 {240000, 3, 4, 4, 10.0, 0},
                 {24, 64, 40, 11000, 10.0, 0},
                 {5, 9, 6, 6, 1.0 / (1.0 + 0x1p-24), 1.0 / (1.0 + 0x1p-24)},
                 {4, 4, 4, 4, 10.0, 1e308},
                 {2, 16, 2, 2, 10.0, 0},
                 {3, 16, 1, 5, 10.0, 0},
                 {9, 24, 3, 3, 10.0, 0}};
    forEachVectorLevel([&] {
        for (const auto& c : cases) {
            const auto samples = randomSamples(rng, std::size_t(c.rows) * c.cols);
            const std::string payload = depthPayload(samples);
            const ImageHeader header = depthHeader(c.rows, c.cols, c.scale);
            DeviceIntri in = realisticIntri(rng, c.cols, c.rows, c.colorCols, c.colorRows);
            if (c.fx != 0) in.intrinsic3DCamera.intrinsic[0] = c.fx;
            const Frame<ElementColor> color =
                randomImage(rng, std::uint32_t(c.colorCols), std::uint32_t(c.colorRows));

            Frame<ElementPointXYZ> points;
            Frame<ElementPointXYZBGR> colored;
            ASSERT_TRUE(computePointXYZ(header, payload, in.intrinsic3DCamera, points));
            ASSERT_TRUE(computePointXYZBGR(color, header, payload, in, colored));
            for (int row = 0; row < c.rows; ++row) {
                for (int col = 0; col < c.cols; ++col) {
                    const std::size_t i = std::size_t(row) * c.cols + col;
                    const std::string where = std::to_string(c.rows) + "x" + std::to_string(c.cols) + " at " +
                                              std::to_string(row) + "," + std::to_string(col);
                    expectPoint(points[i],
                                refPoint(samples[i], row, col, c.scale, in.intrinsic3DCamera.intrinsic),
                                where);
                    expectColorPoint(colored[i],
                                     refColorPoint(color, samples[i], row, col, c.rows, c.cols, c.scale, in),
                                     where);
                }
            }
        }
    });
}

// Smooth surfaces, as cameras see them: neighbouring pixels sample neighbouring bytes of the 2D image. The 2D
// camera is scaled from as sharp as the depth camera to several times sharper, so that the points of a few
// neighbouring pixels spread over a few pixels or over many of the image, and its principal point is moved
// so that the points cross the image's right and lower borders.
TEST(PointCloud, SmoothSurfacesEqualTheFormulaAtEveryImageScale) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int> noise(-3, 3), hole(0, 19);
    const int rows = 48, cols = 100;
    std::vector<std::uint16_t> samples(std::size_t(rows) * cols);
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            samples[std::size_t(row) * cols + col] = static_cast<std::uint16_t>(
                hole(rng) == 0 ? 32768 : 32768 + 8000 + 7 * col + 3 * row + noise(rng));
    const std::string payload = depthPayload(samples);
    for (double sharper : {1.0, 1.7, 2.4, 2.6, 4.0}) {
        // At 800 mm: a shift of a few pixels, and a turn about the optical axis that moves the rows.
        DeviceIntri in = realisticIntri(rng, cols, rows, cols, rows);
        const double turn = 0.01;
        const double rotation[3][3] = {
            {std::cos(turn), -std::sin(turn), 0}, {std::sin(turn), std::cos(turn), 0}, {0, 0, 1}};
        std::memcpy(in.rotation, rotation, sizeof rotation);
        in.translation[0] = 8.0;
        in.translation[1] = -3.0;
        for (int k : {0, 1}) in.intrinsic2DCamera.intrinsic[k] = sharper * in.intrinsic3DCamera.intrinsic[k];
        const auto colorCols = std::uint32_t(cols * sharper * 0.8),
                   colorRows = std::uint32_t(rows * sharper * 0.8);
        in.intrinsic2DCamera.intrinsic[2] = colorCols * 0.6;
        in.intrinsic2DCamera.intrinsic[3] = colorRows * 0.6;
        const Frame<ElementColor> color = randomImage(rng, colorCols, colorRows);
        forEachVectorLevel([&] {
            Frame<ElementPointXYZBGR> cloud;
            ASSERT_TRUE(computePointXYZBGR(color, depthHeader(rows, cols, 10.0), payload, in, cloud));
            int sampled = 0;
            for (int row = 0; row < rows; ++row) {
                for (int col = 0; col < cols; ++col) {
                    const std::size_t i = std::size_t(row) * cols + col;
                    const auto want = refColorPoint(color, samples[i], row, col, rows, cols, 10.0, in);
                    expectColorPoint(
                        cloud[i], want,
                        std::to_string(sharper) + " at " + std::to_string(row) + "," + std::to_string(col));
                    sampled += want.b + want.g + want.r > 0;
                }
            }
            EXPECT_GT(sampled, rows * cols / 5) << sharper;
            EXPECT_LT(sampled, rows * cols * 9 / 10) << sharper;
        });
    }
}

// Inputs whose quotient lies so close to a float rounding midpoint that multiplying by the reciprocal
// rounds the other way: the exact division has to decide.
TEST(PointCloud, QuotientsNextToRoundingMidpointsStayExact) {
    forEachVectorLevel([&] {
        const double scale = 0x1.4d7671446536bp+6;  // 6613 / scale
        const std::vector<std::uint16_t> depthSamples(8, 32768 + 6613);
        Frame<ElementDepth> depth;
        ASSERT_TRUE(
            norvik::imaging::decodeDepthMap(depthHeader(1, 8, scale), depthPayload(depthSamples), depth));
        for (int i = 0; i < 8; ++i) EXPECT_TRUE(sameBits(depth[i].d, refDepth(depthSamples[i], scale))) << i;

        // z = 1 and col - cx = p, so that x = p / fx.
        const double fx = 0x1.f98a3a129b014p+10, p = 0x1.4346107dd4ddfp+11;
        CameraIntrinsics camera;
        camera.intrinsic[0] = fx;
        camera.intrinsic[1] = fx;
        camera.intrinsic[2] = -p;
        camera.intrinsic[3] = -p;
        const std::vector<std::uint16_t> unit(8, 32769);
        Frame<ElementPointXYZ> points;
        ASSERT_TRUE(computePointXYZ(depthHeader(1, 8, 1.0), depthPayload(unit), camera, points));
        for (int col = 0; col < 8; ++col)
            expectPoint(points[col], refPoint(unit[col], 0, col, 1.0, camera.intrinsic), "col");
        EXPECT_TRUE(sameBits(points[0].y, static_cast<float>(p / fx)));
    });
}

// Many x and y within a few units of a float rounding midpoint: a good share of them round the other way when
// multiplied by the focal length's reciprocal, and every one must still be the division's.
TEST(PointCloud, QuotientsAroundRoundingMidpointsAreTheDivisions) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> magnitude(1.0f, 4096.0f);
    std::uniform_int_distribution<int> units(-3, 3);
    std::vector<std::pair<double, double>> cases;  // p, fx
    int otherWay = 0;
    for (int k = 0; k < 200; ++k) {
        const float f = magnitude(rng);
        const double midpoint =
            std::nextafter(double(f) + (double(std::nextafter(f, 1e9f)) - f) / 2, units(rng) < 0 ? 0.0 : 1e9);
        const double p = 1000.0 + k, fx = p / midpoint;
        otherWay += static_cast<float>(p / fx) != static_cast<float>(p * (1 / fx));
        cases.emplace_back(p, fx);
    }
    EXPECT_GT(otherWay, 10);
    const std::vector<std::uint16_t> unit(32, 32769);
    forEachVectorLevel([&] {
        for (const auto& [p, fx] : cases) {
            // z = 1 and col - cx = p + col, so that the first column's x is p / fx; the same for y.
            CameraIntrinsics camera;
            camera.intrinsic[0] = camera.intrinsic[1] = fx;
            camera.intrinsic[2] = camera.intrinsic[3] = -p;
            Frame<ElementPointXYZ> points;
            ASSERT_TRUE(computePointXYZ(depthHeader(1, 32, 1.0), depthPayload(unit), camera, points));
            for (int col = 0; col < 32; ++col)
                expectPoint(points[col], refPoint(unit[col], 0, col, 1.0, camera.intrinsic), "col");
        }
    });
}

// Depths and x within a few units of a float rounding midpoint, from depths other than one: the loops'
// products (the sample by the scale's reciprocal, the depth by the column's factor) round the other way for a
// good share of them, and every value must still be the divisions', in the depth maps as in the points.
TEST(PointCloud, ProductsAroundRoundingMidpointsAreTheDivisions) {
    std::mt19937 rng(123);
    std::uniform_real_distribution<float> magnitude(1.0f, 4096.0f);
    std::uniform_int_distribution<int> units(-3, 3), offsets(1, 30000);
    auto nearMidpoint = [&] {
        const float f = magnitude(rng);
        return std::nextafter(double(f) + (double(std::nextafter(f, 1e9f)) - f) / 2,
                              units(rng) < 0 ? 0.0 : 1e9);
    };
    struct Case {
        int sample;
        double scale, p, fx;
    };
    std::vector<Case> cases;
    int depthOtherWay = 0, xOtherWay = 0;
    for (int k = 0; k < 400; ++k) {
        const int offset = offsets(rng);
        const double scale = offset / nearMidpoint();
        const double z = static_cast<float>(offset / scale);
        // col - cx = p for the first column, and the same for y in row 0.
        const double p = 1000.0 + k, fx = p * z / nearMidpoint();
        depthOtherWay += static_cast<float>(offset / scale) != static_cast<float>(offset * (1 / scale));
        xOtherWay += static_cast<float>(p * z / fx) != static_cast<float>(p / fx * z);
        cases.push_back({32768 + offset, scale, p, fx});
    }
    EXPECT_GT(depthOtherWay, 10);
    EXPECT_GT(xOtherWay, 10);
    forEachVectorLevel([&] {
        for (const Case& c : cases) {
            const std::vector<std::uint16_t> samples(32, static_cast<std::uint16_t>(c.sample));
            CameraIntrinsics camera;
            camera.intrinsic[0] = camera.intrinsic[1] = c.fx;
            camera.intrinsic[2] = camera.intrinsic[3] = -c.p;
            Frame<ElementDepth> depth;
            ASSERT_TRUE(
                norvik::imaging::decodeDepthMap(depthHeader(1, 32, c.scale), depthPayload(samples), depth));
            for (int col = 0; col < 32; ++col)
                ASSERT_TRUE(sameBits(depth[col].d, refDepth(samples[col], c.scale))) << "col " << col;
            Frame<ElementPointXYZ> points;
            ASSERT_TRUE(computePointXYZ(depthHeader(1, 32, c.scale), depthPayload(samples), camera, points));
            for (int col = 0; col < 32; ++col)
                expectPoint(points[col], refPoint(samples[col], 0, col, c.scale, camera.intrinsic),
                            "col " + std::to_string(col));
        }
    });
}

// Frames are saved and compared as bytes: the padding byte after each colour is written as zero by every
// loop, whatever the reused array held.
TEST(PointCloud, ColouredPointsHaveTheSameBytesEveryTime) {
    std::mt19937 rng(17);
    const int rows = 7, cols = 53;  // whole groups and leftovers in every row
    const auto samples = randomSamples(rng, rows * cols);
    const DeviceIntri in = realisticIntri(rng, cols, rows, 40, 30);
    const Frame<ElementColor> color = randomImage(rng, 40, 30);
    forEachVectorLevel([&] {
        Frame<ElementPointXYZBGR> cloud;
        cloud.resize(cols, rows);
        std::memset(static_cast<void*>(cloud.data()), 0xAB, sizeof(ElementPointXYZBGR) * rows * cols);
        ASSERT_TRUE(
            computePointXYZBGR(color, depthHeader(rows, cols, 10.0), depthPayload(samples), in, cloud));
        const auto* bytes = reinterpret_cast<const unsigned char*>(cloud.data());
        for (int i = 0; i < rows * cols; ++i) ASSERT_EQ(bytes[sizeof(ElementPointXYZBGR) * i + 3], 0) << i;
    });
}

TEST(PointCloud, IdentityPoseWithEqualSizesTakesEachPixelsOwnColour) {
    std::mt19937 rng(5);
    const int rows = 9, cols = 53;  // whole groups of pixels, and some left over in every row
    const auto samples = randomSamples(rng, rows * cols);
    const Frame<ElementColor> color = randomImage(rng, cols, rows);
    forEachVectorLevel([&] {
        Frame<ElementPointXYZBGR> cloud;
        ASSERT_TRUE(computePointXYZBGR(color, depthHeader(rows, cols, 4.0), depthPayload(samples),
                                       identityIntri(900, 5), cloud));
        for (std::size_t i = 0; i < std::size_t(rows) * cols; ++i) {
            ASSERT_TRUE(cloud[i].b == color[i].b && cloud[i].g == color[i].g && cloud[i].r == color[i].r)
                << i;
        }
    });
}

// An identity pose alone does not make the cameras one: other intrinsics still need the projection.
TEST(PointCloud, IdentityPoseWithOtherIntrinsicsProjects) {
    const int rows = 2, cols = 64;
    Frame<ElementColor> color;
    color.resize(cols, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) color.at(r, c) = {std::uint8_t(c), std::uint8_t(c), std::uint8_t(c)};
    DeviceIntri in = identityIntri(40, 32);
    in.intrinsic2DCamera.intrinsic[0] = 20;
    in.intrinsic2DCamera.intrinsic[3] = in.intrinsic3DCamera.intrinsic[3] = 0;
    const std::vector<std::uint16_t> samples(rows * cols, 33768);  // 1000 mm everywhere
    forEachVectorLevel([&] {
        Frame<ElementPointXYZBGR> cloud;
        ASSERT_TRUE(
            computePointXYZBGR(color, depthHeader(rows, cols, 1.0), depthPayload(samples), in, cloud));
        EXPECT_EQ(cloud[40].g, 36);  // (40 - 32) / 2 + 32, not its own column
    });
}

// One depth pixel at the principal point projects to (cx2, cy2) of a 4x4 image of another size.
TEST(PointCloud, ProjectionOnAPixelAndHalfWayBetweenTwo) {
    Frame<ElementColor> color;
    color.resize(4, 4);
    color.at(1, 1) = {10, 10, 10};
    color.at(1, 2) = {21, 21, 21};
    color.at(2, 1) = {77, 77, 77};
    for (double cx2 : {1.0, 1.5}) {
        DeviceIntri in = identityIntri(1000, 0);
        in.intrinsic2DCamera.intrinsic[2] = cx2;
        in.intrinsic2DCamera.intrinsic[3] = 1.0;
        Frame<ElementPointXYZBGR> cloud;
        ASSERT_TRUE(computePointXYZBGR(color, depthHeader(1, 1, 1.0), depthPayload({33768}), in, cloud));
        EXPECT_EQ(cloud[0].z, 1000.0f);
        EXPECT_EQ(cloud[0].g, cx2 == 1.0 ? 10 : 15) << cx2;
    }
}

TEST(PointCloud, PointsInThe2DCamerasPlaneAreBlack) {
    std::mt19937 rng(9);
    const int rows = 6, cols = 10;
    auto samples = randomSamples(rng, rows * cols);
    DeviceIntri in = identityIntri(50, 4);
    in.translation[0] = 12.0;
    in.translation[1] = -3.0;  // t2 stays 0
    const Frame<ElementColor> color = filledFrame<ElementColor>(64, 64, {200, 150, 100});
    Frame<ElementPointXYZBGR> cloud;
    ASSERT_TRUE(computePointXYZBGR(color, depthHeader(rows, cols, 100.0), depthPayload(samples), in, cloud));
    int colored = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] == 32768) {
            EXPECT_EQ(cloud[i].b + cloud[i].g + cloud[i].r, 0) << i;
        } else if (cloud[i].g != 0) {
            ++colored;
        }
        expectColorPoint(
            cloud[i], refColorPoint(color, samples[i], int(i) / cols, int(i) % cols, rows, cols, 100.0, in),
            std::to_string(i));
    }
    EXPECT_GT(colored, 0);
}

TEST(PointCloud, SampleBilinearIsBlackOnTinyImagesAndOutside) {
    using norvik::imaging::sampleBilinear;
    const auto one = filledFrame<ElementColor>(1, 1, {255, 255, 255});
    const auto row = filledFrame<ElementColor>(5, 1, {255, 255, 255});
    const auto square = filledFrame<ElementColor>(3, 3, {255, 255, 255});
    const struct {
        const Frame<ElementColor>* image;
        float u, v;
        bool black;
    } cases[] = {{&one, 0, 0, true},           {&row, 1, 0, true},        {&square, 0, 0, false},
                 {&square, 1.5f, 1.5f, false}, {&square, 2, 0, true},     {&square, 0, 2, true},
                 {&square, -0.5f, 0, true},    {&square, 1e30f, 0, true}, {&square, NAN, 0, true}};
    for (const auto& c : cases) {
        const ElementColor s = sampleBilinear(*c.image, c.u, c.v);
        EXPECT_EQ(s.g == 0, c.black) << c.u << "," << c.v;
    }
}

TEST(PointCloud, IdentityTestToleratesOnlyEpsilon) {
    DeviceIntri in;
    EXPECT_TRUE(norvik::imaging::isIdentityTransform(in.rotation, in.translation));
    in.rotation[0][1] = kEps;
    EXPECT_TRUE(norvik::imaging::isIdentityTransform(in.rotation, in.translation));
    in.translation[2] = 1e-15;
    EXPECT_FALSE(norvik::imaging::isIdentityTransform(in.rotation, in.translation));
    in.translation[2] = NAN;
    EXPECT_FALSE(norvik::imaging::isIdentityTransform(in.rotation, in.translation));
}

// ---- Texture-mask clouds ----

void expectMaskClouds(const Frame<ElementDepth>& depth, const Frame<ElementColor>& mask,
                      const DeviceIntri& in, const std::string& where) {
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(norvik::imaging::getCloudFromTextureMask(depth, mask, in, cloud).isOk());
    // A reused frame full of other bytes: every element is written whole.
    colored.resize(depth.width(), depth.height());
    std::memset(static_cast<void*>(colored.data()), 0xAB,
                sizeof(ElementPointXYZBGR) * depth.width() * depth.height());
    ASSERT_TRUE(norvik::imaging::getCloudFromTextureMask(depth, mask, in, colored).isOk());
    for (std::uint32_t i = 0; i < depth.height(); ++i) {
        for (std::uint32_t j = 0; j < depth.width(); ++j) {
            ElementPointXYZBGR want{0, 0, 0, 0, 0, 0};
            refMaskPoint(depth, mask, in, i, j, want);
            const std::string at = where + " at " + std::to_string(i) + "," + std::to_string(j);
            const ElementPointXYZ& p = cloud.at(i, j);
            expectPoint(p, {want.x, want.y, want.z}, at);
            expectColorPoint(colored.at(i, j), want, at);
            ASSERT_EQ(reinterpret_cast<const unsigned char*>(&colored.at(i, j))[3], 0) << at;
        }
    }
}

// Random depths (with holes, NaN and infinite ones) and masks of random colours, through realistic poses,
// the same camera (each pixel's own mask pixel first) and a pose with points in the 2D camera's plane; sizes
// with partial vectors at the ends, and one large enough to be streamed out.
TEST(TextureMaskCloud, EqualsTheFormulaBitForBit) {
    std::mt19937 rng(77);
    const struct {
        std::uint32_t width, height, maskWidth, maskHeight;
    } sizes[] = {{1, 1, 2, 2}, {13, 7, 20, 15}, {64, 48, 80, 60}, {37, 11, 37, 11}, {723, 560, 800, 600}};
    forEachVectorLevel([&] {
        for (const auto& s : sizes) {
            Frame<ElementDepth> depth = randomDepth(rng, s.width, s.height);
            depth[0].d = NAN;
            if (depth.width() * depth.height() > 3) depth[3].d = INFINITY;
            // Sparse masks, as a detector's: most pixels black.
            Frame<ElementColor> mask = randomImage(rng, s.maskWidth, s.maskHeight);
            for (std::size_t i = 0; i < std::size_t(s.maskWidth) * s.maskHeight; ++i)
                if (mask[i].b % 3 != 0) mask[i] = {0, 0, 0};
            const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
            expectMaskClouds(
                depth, mask,
                realisticIntri(rng, int(s.width), int(s.height), int(s.maskWidth), int(s.maskHeight)),
                size + " realistic");
            if (s.width * s.height > 100000) continue;
            DeviceIntri same = identityIntri(800, 6);
            if (s.width == s.maskWidth && s.height == s.maskHeight)
                expectMaskClouds(depth, mask, same, size + " same camera");
            same.translation[2] = -250.0;  // depths of 250 lie in the 2D camera's plane
            for (std::size_t i = 0; i < depth.width() * depth.height(); i += 3) depth[i].d = 250.0f;
            expectMaskClouds(depth, randomImage(rng, s.maskWidth, s.maskHeight), same, size + " in plane");
        }
    });
}

// A pose whose every row is (0, 0, 1e-17): a point's camera coordinates are 1e-17 z each, within the 2D
// camera's plane up to a depth of about 22, and landing on pixel (8, 8) beyond. The division would land the
// points in the plane on that pixel too; the formulas leave them black, in both clouds.
TEST(TextureMaskCloud, PointsGrazingThe2DCamerasPlaneAreBlack) {
    std::mt19937 rng(31);
    DeviceIntri in = identityIntri(2, 6);
    for (auto& row : in.rotation) {
        row[0] = row[1] = 0;
        row[2] = 1e-17;
    }
    const int rows = 9, cols = 37;
    std::uniform_int_distribution<int> near(32769, 32768 + 400);  // 0.1 to 40 at a scale of 10
    std::vector<std::uint16_t> samples(std::size_t(rows) * cols);
    for (auto& sample : samples) sample = static_cast<std::uint16_t>(near(rng));
    Frame<ElementColor> color = randomImage(rng, 16, 16);
    color.at(8, 8) = {200, 150, 100};
    const ImageHeader header = depthHeader(rows, cols, 10.0);
    const std::string payload = depthPayload(samples);
    Frame<ElementDepth> depth;
    ASSERT_TRUE(decodeDepthMap(header, payload, depth));
    forEachVectorLevel([&] {
        Frame<ElementPointXYZBGR> cloud;
        ASSERT_TRUE(computePointXYZBGR(color, header, payload, in, cloud));
        int black = 0, colored = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const ElementPointXYZBGR want =
                refColorPoint(color, samples[i], int(i) / cols, int(i) % cols, rows, cols, 10.0, in);
            expectColorPoint(cloud[i], want, std::to_string(i));
            ++(want.g == 0 ? black : colored);
        }
        EXPECT_GT(black, 0);
        EXPECT_GT(colored, 0);
        expectMaskClouds(depth, color, in, "grazing");
    });
}

// Points landing on the 2D image's borders, exactly and a little inside or outside: with both focal lengths
// 1024 and every depth 1024, column c lands on u = c + cx2 exactly (and row r on v = r + cy2). A pixel is
// sampled only with a right and a lower neighbour: u on the last column or beyond is black, just below it is
// not; the same for v, and for u and v just below zero.
TEST(TextureMaskCloud, LandingsOnTheImagesBordersEqualTheFormula) {
    const int rows = 16, cols = 24;
    const std::uint32_t width = 8, height = 6;
    const Frame<ElementColor> color = filledFrame<ElementColor>(width, height, {200, 150, 100});
    const std::vector<std::uint16_t> samples(std::size_t(rows) * cols, 32768 + 1024);
    const ImageHeader header = depthHeader(rows, cols, 1.0);
    const std::string payload = depthPayload(samples);
    Frame<ElementDepth> depth;
    ASSERT_TRUE(decodeDepthMap(header, payload, depth));
    forEachVectorLevel([&] {
        for (double offset : {0.0, -0x1p-12, 0x1p-12}) {
            // Column 8 lands on u = offset, column 15 on the last column plus offset; rows 5 and 10 likewise.
            DeviceIntri in = identityIntri(1024, 0);
            in.intrinsic2DCamera.intrinsic[2] = -8 + offset;
            in.intrinsic2DCamera.intrinsic[3] = -5 + offset;
            Frame<ElementPointXYZBGR> cloud;
            ASSERT_TRUE(computePointXYZBGR(color, header, payload, in, cloud));
            int colored = 0;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const ElementPointXYZBGR want =
                    refColorPoint(color, samples[i], int(i) / cols, int(i) % cols, rows, cols, 1.0, in);
                expectColorPoint(cloud[i], want,
                                 "offset " + std::to_string(offset) + " at " + std::to_string(i));
                colored += want.g != 0;
            }
            EXPECT_EQ(colored, 7 * 5);  // seven columns and five rows, whichever the offset
            expectMaskClouds(depth, color, in, "offset " + std::to_string(offset));
        }
    });
}

// Channel c of a pixel: 0 blue, 1 green, 2 red.
std::uint8_t& channelOf(ElementColor& pixel, int c) { return c == 0 ? pixel.b : c == 1 ? pixel.g : pixel.r; }

// Masks as detectors make them: black but for a few patches, whose pixels have one faint channel each (a
// level of one or two, so that some samples round to black), at every level of the sampler's shortcuts.
TEST(TextureMaskCloud, SparseMasksOfFaintChannelsEqualTheFormula) {
    std::mt19937 rng(8);
    const std::uint32_t width = 96, height = 40;
    std::uniform_int_distribution<int> faint(1, 2), channel(0, 2), x(0, width - 8), y(0, height - 6);
    Frame<ElementColor> mask = filledFrame<ElementColor>(width, height, {0, 0, 0});
    for (int patch = 0; patch < 12; ++patch) {
        const int left = x(rng), top = y(rng);
        for (int row = top; row < top + 5; ++row) {
            for (int col = left; col < left + 7; ++col) {
                ElementColor& pixel = mask.at(std::uint32_t(row), std::uint32_t(col));
                pixel = {0, 0, 0};
                const int lit = channel(rng);
                channelOf(pixel, lit) = std::uint8_t(faint(rng));
            }
        }
    }
    // And one faint channel throughout: at level one, the samples whose weights sum to just under one are
    // black (one in sixty), at level two none is.
    const Frame<ElementColor> faintest = filledFrame<ElementColor>(width, height, {0, 1, 0});
    const Frame<ElementColor> faint2 = filledFrame<ElementColor>(width, height, {0, 0, 2});
    forEachVectorLevel([&] {
        const DeviceIntri intri = realisticIntri(rng, int(width), int(height), int(width), int(height));
        const Frame<ElementDepth> depth = randomDepth(rng, width, height);
        expectMaskClouds(depth, mask, intri, "sparse");
        expectMaskClouds(depth, faintest, intri, "level one");
        expectMaskClouds(depth, faint2, intri, "level two");
    });
}

// A channel lit in three neighbours but not in the fourth, which weighs more than half, mixes to below one:
// with both focal lengths 1024 and every depth 1024, column c lands on u = c + cx2 exactly, here with weights
// a = 0.75 to the right and b = 0.25 below. The mask repeats every three columns: in the upper row red,
// black, blue; in the lower row red, red and blue, black (all at level 2). Where the black pixel is the upper
// right neighbour the sample is black, though red is lit in the other three, and blue beyond it and below it.
TEST(TextureMaskCloud, AChannelLitInThreeNeighboursOnlyIsBlackWhereTheFourthWeighsMore) {
    const int rows = 4, cols = 48;
    const std::uint32_t width = 64, height = 8;
    Frame<ElementColor> mask = filledFrame<ElementColor>(width, height, {0, 0, 0});
    for (std::uint32_t row = 0; row < height; row += 2) {
        for (std::uint32_t col = 0; col < width; ++col) {
            if (col % 3 == 0) mask.at(row, col).r = 2;
            if (col % 3 == 2) mask.at(row, col).b = 2;
            if (col % 3 != 2) mask.at(row + 1, col).r = 2;
            if (col % 3 == 1) mask.at(row + 1, col).b = 2;
        }
    }
    const std::vector<std::uint16_t> samples(std::size_t(rows) * cols, 32768 + 1024);
    Frame<ElementDepth> depth;
    ASSERT_TRUE(decodeDepthMap(depthHeader(rows, cols, 1.0), depthPayload(samples), depth));
    DeviceIntri in = identityIntri(1024, 0);
    in.intrinsic2DCamera.intrinsic[2] = 2.75;
    in.intrinsic2DCamera.intrinsic[3] = 0.25;
    forEachVectorLevel([&] { expectMaskClouds(depth, mask, in, "three of four"); });
}

// Masks whose pixels have at most one channel each, so that the sampler's shortcuts must read every channel
// of every neighbour in its place: pixels black or at level 2 in one channel, chosen at random (a channel lit
// in three neighbours but not in a black fourth mixes to below one where the fourth weighs more than half),
// and a black mask with single pixels of one bright channel (a neighbourhood is black unless that byte is
// read).
TEST(TextureMaskCloud, MasksOfOneChannelPerPixelEqualTheFormula) {
    std::mt19937 rng(12);
    const std::uint32_t width = 120, height = 90;
    std::uniform_int_distribution<int> channel(0, 3), spot(0, 6);
    Frame<ElementColor> levelTwo = filledFrame<ElementColor>(width, height, {0, 0, 0});
    Frame<ElementColor> spots = filledFrame<ElementColor>(width, height, {0, 0, 0});
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        const int lit = channel(rng);
        if (lit == 3) continue;
        channelOf(levelTwo[i], lit) = 2;
        if (spot(rng) == 0) channelOf(spots[i], lit) = 200;
    }
    forEachVectorLevel([&] {
        const DeviceIntri intri = realisticIntri(rng, 320, 240, int(width), int(height));
        const Frame<ElementDepth> depth = randomDepth(rng, 320, 240);
        expectMaskClouds(depth, levelTwo, intri, "level two");
        expectMaskClouds(depth, spots, intri, "spots");
    });
}

}  // namespace
