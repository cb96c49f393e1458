#include <gtest/gtest.h>

#include "imaging/texture_mask.h"
#include "imaging_fixtures.h"

namespace {

using namespace imaging_test;

void expectMatchesReference(const Frame<ElementDepth>& depth, const Frame<ElementColor>& mask,
                            const DeviceIntri& in, const Frame<ElementPointXYZ>& cloud,
                            const Frame<ElementPointXYZBGR>& colored) {
    ASSERT_EQ(cloud.width(), depth.width());
    ASSERT_EQ(colored.height(), depth.height());
    for (std::uint32_t i = 0; i < depth.height(); ++i) {
        for (std::uint32_t j = 0; j < depth.width(); ++j) {
            ElementPointXYZBGR want{0, 0, 0, 0, 0, 0};
            refMaskPoint(depth, mask, in, i, j, want);
            const ElementPointXYZ& p = cloud.at(i, j);
            const ElementPointXYZBGR& q = colored.at(i, j);
            ASSERT_TRUE(sameBits(p.x, want.x) && sameBits(p.y, want.y) && sameBits(p.z, want.z))
                << i << "," << j;
            ASSERT_TRUE(sameBits(q.x, want.x) && sameBits(q.y, want.y) && sameBits(q.z, want.z))
                << i << "," << j;
            ASSERT_TRUE(q.b == want.b && q.g == want.g && q.r == want.r) << i << "," << j;
        }
    }
}

Frame<ElementDepth> randomDepth(std::mt19937& rng, std::uint32_t width, std::uint32_t height) {
    const auto samples = randomSamples(rng, std::size_t(width) * height);
    Frame<ElementDepth> depth;
    depth.resize(width, height);
    for (std::size_t i = 0; i < samples.size(); ++i) depth[i].d = refDepth(samples[i], 10.0);
    return depth;
}

DeviceIntri coincidingIntri() {
    DeviceIntri in;
    for (auto* cam : {&in.intrinsic3DCamera, &in.intrinsic2DCamera}) {
        cam->intrinsic[0] = cam->intrinsic[1] = 800;
        cam->intrinsic[2] = 8;
        cam->intrinsic[3] = 6;
        cam->distCoefficients[0] = 0.01;
    }
    return in;
}

// A black mask with a white rectangle [top, bottom) x [left, right).
Frame<ElementColor> rectangleMask(std::uint32_t width, std::uint32_t height, std::uint32_t top,
                                  std::uint32_t left, std::uint32_t bottom, std::uint32_t right) {
    Frame<ElementColor> mask;
    mask.resize(width, height);
    for (std::uint32_t i = top; i < bottom; ++i)
        for (std::uint32_t j = left; j < right; ++j) mask.at(i, j) = {255, 255, 255};
    return mask;
}

TEST(TextureMask, RefusesEmptyInputsAndInvalidIntrinsicsWithoutTouchingTheOutput) {
    std::mt19937 rng(1);
    const Frame<ElementDepth> depth = randomDepth(rng, 4, 3);
    const Frame<ElementColor> mask = rectangleMask(4, 3, 0, 0, 3, 4);
    DeviceIntri zeros;
    zeros.intrinsic3DCamera = {};
    DeviceIntri nan = coincidingIntri();
    nan.intrinsic3DCamera.intrinsic[1] = NAN;
    const struct {
        const char* name;
        Frame<ElementDepth> depth;
        Frame<ElementColor> mask;
        DeviceIntri intri;
        int code;
        const char* message;
    } cases[] = {
        {"no depth",
         {},
         mask,
         coincidingIntri(),
         EmptyInput,
         "The input depth map or the texture mask is empty."},
        {"no mask",
         depth,
         {},
         coincidingIntri(),
         EmptyInput,
         "The input depth map or the texture mask is empty."},
        {"zero intrinsics", depth, mask, zeros, InvalidIntrinsics, "The intrinsics parameters is invalid."},
        {"nan focal length", depth, mask, nan, InvalidIntrinsics, "The intrinsics parameters is invalid."},
    };
    for (const auto& c : cases) {
        auto cloud = filledFrame<ElementPointXYZ>(2, 2, {1, 2, 3});
        auto colored = filledFrame<ElementPointXYZBGR>(2, 2, {1, 2, 3, 4, 5, 6});
        const ErrorStatus a = QuorixDevice::getCloudFromTextureMask(c.depth, c.mask, c.intri, cloud);
        const ErrorStatus b = QuorixDevice::getCloudFromTextureMask(c.depth, c.mask, c.intri, colored);
        EXPECT_EQ(a.code, c.code) << c.name;
        EXPECT_EQ(a.message, c.message) << c.name;
        EXPECT_EQ(b.code, c.code) << c.name;
        EXPECT_EQ(cloud.width(), 2u);
        EXPECT_EQ(cloud[3].z, 3.0f) << c.name;
        EXPECT_EQ(colored[3].r, 3) << c.name;
    }
}

TEST(TextureMask, CoincidingCamerasKeepOnlyTheMaskedRectangle) {
    std::mt19937 rng(2);
    const Frame<ElementDepth> depth = randomDepth(rng, 16, 12);
    const Frame<ElementColor> mask = rectangleMask(16, 12, 3, 4, 9, 12);
    const DeviceIntri in = coincidingIntri();
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, mask, in, cloud).isOk());
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, mask, in, colored).isOk());
    expectMatchesReference(depth, mask, in, cloud, colored);
    for (std::uint32_t i = 0; i < 12; ++i) {
        for (std::uint32_t j = 0; j < 16; ++j) {
            const bool inside = i >= 3 && i < 9 && j >= 4 && j < 12;
            const bool measured = depth.at(i, j).d != 0.0f;
            EXPECT_EQ(cloud.at(i, j).z != 0.0f, inside && measured) << i << "," << j;
            EXPECT_EQ(colored.at(i, j).g, inside && measured ? 255 : 0) << i << "," << j;
        }
    }
}

TEST(TextureMask, AMaskOfAnotherSizeIsSampledByProjection) {
    std::mt19937 rng(3);
    const Frame<ElementDepth> depth = randomDepth(rng, 16, 12);
    const Frame<ElementColor> mask = randomImage(rng, 17, 12);
    const DeviceIntri in = coincidingIntri();
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, mask, in, cloud).isOk());
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, mask, in, colored).isOk());
    expectMatchesReference(depth, mask, in, cloud, colored);
    // Projected through the same camera, pixel (i, j) samples the mask near (i, j), not exactly at it.
    bool anyDifferent = false;
    for (std::uint32_t i = 0; i < 11; ++i)
        for (std::uint32_t j = 0; j < 15; ++j)
            if (colored.at(i, j).z != 0.0f && colored.at(i, j).b != mask.at(i, j).b) anyDifferent = true;
    EXPECT_TRUE(anyDifferent);
}

TEST(TextureMask, RealisticPoseEqualsTheReference) {
    std::mt19937 rng(4);
    const Frame<ElementDepth> depth = randomDepth(rng, 64, 48);
    const Frame<ElementColor> mask = randomImage(rng, 80, 60);
    const DeviceIntri in = realisticIntri(rng, 64, 48, 80, 60);
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, mask, in, cloud).isOk());
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, mask, in, colored).isOk());
    expectMatchesReference(depth, mask, in, cloud, colored);
}

// A reused output holds only the second call's points.
TEST(TextureMask, ASecondCallWithASmallerRegionClearsTheRest) {
    std::mt19937 rng(5);
    const Frame<ElementDepth> depth = randomDepth(rng, 16, 12);
    const DeviceIntri in = coincidingIntri();
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;
    ASSERT_TRUE(
        QuorixDevice::getCloudFromTextureMask(depth, rectangleMask(16, 12, 0, 0, 12, 16), in, cloud).isOk());
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, rectangleMask(16, 12, 0, 0, 12, 16), in, colored)
                    .isOk());
    const Frame<ElementColor> small = rectangleMask(16, 12, 4, 4, 6, 6);
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, small, in, cloud).isOk());
    ASSERT_TRUE(QuorixDevice::getCloudFromTextureMask(depth, small, in, colored).isOk());
    expectMatchesReference(depth, small, in, cloud, colored);
}

}  // namespace
