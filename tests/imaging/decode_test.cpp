#include <gtest/gtest.h>

#include "imaging/decode.h"
#include "imaging_fixtures.h"

namespace {

using namespace imaging_test;

TEST(Decode, GrayLevelsFillAllThreeChannels) {
    ConnectedCamera cam;
    cam.queueCapture(captureReply(0.0, 1, 3, kGray, std::string("\x00\x80\xff", 3)));
    Frame<ElementColor> color;
    ASSERT_TRUE(cam.device.captureColorMap(color).isOk());
    ASSERT_EQ(color.width(), 3u);
    ASSERT_EQ(color.height(), 1u);
    const std::uint8_t levels[] = {0, 128, 255};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(color[i].b, levels[i]);
        EXPECT_EQ(color[i].g, levels[i]);
        EXPECT_EQ(color[i].r, levels[i]);
    }
}

TEST(Decode, BgrIsTakenOverAsItIs) {
    ConnectedCamera cam;
    std::mt19937 rng(7);
    const Frame<ElementColor> image = randomImage(rng, 5, 3);
    cam.queueCapture(captureReply(0.0, 3, 5, kBgr, bgrPayload(image)));
    Frame<ElementColor> color;
    ASSERT_TRUE(cam.device.captureColorMap(color).isOk());
    ASSERT_EQ(color.width(), 5u);
    ASSERT_EQ(color.height(), 3u);
    EXPECT_EQ(bgrPayload(color), bgrPayload(image));
}

TEST(Decode, DepthSamplesAreOffsetAndScaled) {
    ConnectedCamera cam;
    cam.queueCapture(captureReply(2.0, 1, 3, 0, depthPayload({32768, 32769, 32767})));
    Frame<ElementDepth> depth;
    ASSERT_TRUE(cam.device.captureDepthMap(depth).isOk());
    EXPECT_EQ(depth[0].d, 0.0f);
    EXPECT_EQ(depth[1].d, 0.5f);
    EXPECT_EQ(depth[2].d, -0.5f);
}

TEST(Decode, CapturesOfOneSizeReuseTheArray) {
    ConnectedCamera cam;
    cam.queueCapture(captureReply(1.0, 2, 2, 0, depthPayload({32769, 32770, 32771, 32772})));
    cam.queueCapture(captureReply(1.0, 2, 2, 0, depthPayload({32778, 32770, 32771, 32772})));
    cam.queueCapture(captureReply(1.0, 1, 4, 0, depthPayload({32768, 32768, 32768, 32768})));
    Frame<ElementDepth> depth;
    ASSERT_TRUE(cam.device.captureDepthMap(depth).isOk());
    const ElementDepth* first = depth.data();
    Frame<ElementDepth> shared = depth;
    ASSERT_TRUE(cam.device.captureDepthMap(depth).isOk());
    EXPECT_EQ(depth.data(), first);
    EXPECT_EQ(shared[0].d, 10.0f);  // overwritten in place
    ASSERT_TRUE(cam.device.captureDepthMap(depth).isOk());
    EXPECT_NE(depth.data(), first);
    EXPECT_EQ(depth.width(), 4u);
    EXPECT_EQ(shared[0].d, 10.0f);  // the old array lives on in the copy
}

}  // namespace
