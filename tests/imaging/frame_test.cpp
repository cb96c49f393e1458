#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "quorix/Frame.h"

namespace {

using namespace norvik::api;

template <typename Call>
void expectInvalidSubscript(const Call& call) {
    try {
        call();
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid subscript");
    }
}

TEST(Frame, DefaultFrameIsEmptyAndRefusesEveryAccess) {
    Frame<ElementDepth> frame;
    const Frame<ElementDepth>& constFrame = frame;
    EXPECT_TRUE(frame.empty());
    EXPECT_EQ(frame.width(), 0u);
    EXPECT_EQ(frame.height(), 0u);
    EXPECT_EQ(frame.data(), nullptr);
    expectInvalidSubscript([&] { frame[0]; });
    expectInvalidSubscript([&] { frame.at(0, 0); });
    expectInvalidSubscript([&] { constFrame[0]; });
    expectInvalidSubscript([&] { constFrame.at(0, 0); });
    frame.release();
    EXPECT_TRUE(frame.empty());
}

TEST(Frame, AccessIsCheckedPerCoordinate) {
    Frame<ElementPointXYZ> frame;
    frame.resize(3, 2);
    frame.at(1, 2) = {1, 2, 3};
    EXPECT_EQ(frame[5].z, 3.0f);
    expectInvalidSubscript([&] { frame.at(0, 3); });  // linear index 3 would be in range
    expectInvalidSubscript([&] { frame.at(2, 0); });
    expectInvalidSubscript([&] { frame[6]; });
}

TEST(Frame, ResizeKeepsTheArrayOnlyAtTheSameSize) {
    Frame<ElementColor> frame;
    frame.resize(4, 3);
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(frame[i].b + frame[i].g + frame[i].r, 0);
    frame[7] = {1, 2, 3};
    const ElementColor* array = frame.data();
    frame.resize(4, 3);
    EXPECT_EQ(frame.data(), array);
    EXPECT_EQ(frame[7].r, 3);
    frame.resize(3, 4);  // same count, other shape
    EXPECT_EQ(frame.width(), 3u);
    EXPECT_EQ(frame.height(), 4u);
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(frame[i].b + frame[i].g + frame[i].r, 0);
}

TEST(Frame, CopiesShareTheArrayUntilOneIsResized) {
    Frame<ElementDepth> a;
    a.resize(2, 2);
    Frame<ElementDepth> b = a;
    b[3].d = 5.0f;
    EXPECT_EQ(a[3].d, 5.0f);
    a.release();
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.width(), 0u);
    EXPECT_EQ(b[3].d, 5.0f);  // the copy still owns the array

    Frame<ElementDepth> c = b;
    c.resize(1, 1);
    c[0].d = 7.0f;
    EXPECT_EQ(b[0].d, 0.0f);
    EXPECT_EQ(b.width(), 2u);
}

TEST(Frame, ElementLayoutIsPacked) {
    Frame<ElementColor> image;
    image.resize(2, 1);
    image[1] = {10, 20, 30};
    const auto* bytes = reinterpret_cast<const unsigned char*>(image.data());
    EXPECT_EQ(bytes[3], 10);
    EXPECT_EQ(bytes[5], 30);
}

}  // namespace
