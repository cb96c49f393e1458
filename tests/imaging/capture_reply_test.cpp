#include <gtest/gtest.h>

#include "transport/framing.h"

#include <limits>

#include "imaging/capture_image.h"
#include "imaging/decode.h"
#include "imaging_fixtures.h"
#include "transport/messages.h"

namespace {

using namespace imaging_test;
namespace cmd = norvik::protocol::command;
using norvik::imaging::splitCaptureReply;

TEST(CaptureReply, DisconnectedDeviceSendsNothingAndReleasesTheFrame) {
    ScriptedCamera camera;
    QuorixDevice device;
    auto depth = filledFrame<ElementDepth>(2, 2, {1.0f});
    const ErrorStatus status = device.captureDepthMap(depth);
    EXPECT_EQ(status.code, InvalidDevice);
    EXPECT_EQ(status.message, norvik::transport::kInvalidDeviceMessage);
    EXPECT_TRUE(depth.empty());
    EXPECT_TRUE(camera.requests().empty());
}

TEST(CaptureReply, SendsOneRequestPerImageType) {
    ConnectedCamera cam;
    cam.queueCapture(captureReply(1.0, 1, 1, kGray, std::string(1, '\x05')));
    cam.queueCapture(captureReply(1.0, 1, 1, 0, depthPayload({32768})));
    Frame<ElementColor> color;
    Frame<ElementDepth> depth;
    EXPECT_TRUE(cam.device.captureColorMap(color).isOk());
    EXPECT_TRUE(cam.device.captureDepthMap(depth).isOk());
    const auto requests = cam.camera.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "{\"cmd\":\"CaptureImage\",\"image_type\":8194}\n");
    EXPECT_EQ(requests[1], "{\"cmd\":\"CaptureImage\",\"image_type\":8193}\n");
}

TEST(CaptureReply, EmptyReplyAndCameraErrors) {
    ConnectedCamera cam;
    Json::Value emptyError;
    emptyError["err_msg"] = "";
    Json::Value busy;
    busy["err_msg"] = "busy";
    Json::Value numeric;
    numeric["err_msg"] = 42;
    struct Case {
        const char* name;
        Reply reply;
        int code;
        std::string message;
    } cases[] = {
        {"empty reply", ScriptedCamera::raw(""), ReadError, ""},
        {"empty err_msg", ScriptedCamera::json(emptyError, imageTail(1, 1, 1, kGray, 1, "x")), Success, ""},
        {"err_msg", ScriptedCamera::json(busy, imageTail(1, 1, 1, kGray, 1, "x")), CaptureError, "busy"},
        {"err_msg only", ScriptedCamera::json(busy), CaptureError, "busy"},
        {"numeric err_msg", ScriptedCamera::json(numeric), CaptureError, "42"},
        {"escaped member name",
         ScriptedCamera::raw(norvik::protocol::frameReply("{\"err\\u005fmsg\":\"busy\"}")), CaptureError,
         "busy"},
    };
    for (auto& c : cases) {
        cam.queueCapture(c.reply);
        auto color = filledFrame<ElementColor>(2, 2, {9, 9, 9});
        const ErrorStatus status = cam.device.captureColorMap(color);
        EXPECT_EQ(status.code, c.code) << c.name;
        EXPECT_EQ(status.message, c.message) << c.name;
        EXPECT_EQ(color.empty(), c.code != Success) << c.name;
    }
}

TEST(CaptureReply, EveryTruncationIsRefusedWithoutReadingBeyondTheReply) {
    const std::string full =
        ScriptedCamera::json(Json::Value(Json::objectValue),
                             imageTail(2.0, 2, 3, 0, 12, depthPayload({1, 2, 3, 4, 5, 6})))
            .bytes;
    ImageHeader header;
    std::string_view payload;
    ASSERT_TRUE(splitCaptureReply(full, header, payload).isOk());
    EXPECT_EQ(header.rows, 2);
    EXPECT_EQ(header.cols, 3);
    EXPECT_EQ(header.scale, 2.0);
    EXPECT_EQ(payload.size(), 12u);
    for (std::size_t cut = 1; cut < full.size(); ++cut) {
        // A copy of exactly cut bytes, so that a sanitizer sees any read beyond it.
        const std::string truncated = full.substr(0, cut);
        ErrorStatus status = splitCaptureReply(truncated, header, payload);
        if (status.isOk()) {
            // Cut inside the image bytes: what is there is taken, and the depth map's size refuses it.
            EXPECT_EQ(payload.size(), truncated.size() - (full.size() - 12)) << "cut at " << cut;
            status = norvik::imaging::checkDepthPayload(header, payload);
        } else {
            EXPECT_EQ(header.rows, 0);
            EXPECT_TRUE(payload.empty());
        }
        EXPECT_EQ(status.code, CaptureError) << "cut at " << cut;
        EXPECT_FALSE(status.message.empty());
    }
}

TEST(CaptureReply, MoreBytesThanTheByteCountAreIgnored) {
    ConnectedCamera cam;
    const std::string samples = depthPayload({32770, 32772});
    cam.queueCapture(ScriptedCamera::json(Json::Value(Json::objectValue),
                                          imageTail(2.0, 1, 2, 0, 4, samples + depthPayload({1, 2, 3}))));
    Frame<ElementDepth> depth;
    ASSERT_TRUE(cam.device.captureDepthMap(depth).isOk());
    EXPECT_EQ(depth[0].d, 1.0f);
    EXPECT_EQ(depth[1].d, 2.0f);
}

// The byte count only bounds the image bytes: a negative one means the rest of the reply, a larger one what
// is there. Whether they make an image is decided by the image's own size.
TEST(CaptureReply, ByteCountBoundsThePayloadAndTheImageSizeDecides) {
    ConnectedCamera cam;
    const std::string samples = depthPayload({32770, 32772});
    for (int byteCount : {-1, 4, 1000}) {
        cam.queueCapture(ScriptedCamera::json(Json::Value(Json::objectValue),
                                              imageTail(2.0, 1, 2, 0, byteCount, samples)));
        Frame<ElementDepth> depth;
        ASSERT_TRUE(cam.device.captureDepthMap(depth).isOk()) << byteCount;
        EXPECT_EQ(depth[1].d, 2.0f) << byteCount;
    }
    cam.queueCapture(
        ScriptedCamera::json(Json::Value(Json::objectValue), imageTail(1, 1, 1, kBgr, -1, "bgr")));
    Frame<ElementColor> color;
    ASSERT_TRUE(cam.device.captureColorMap(color).isOk());
    EXPECT_EQ(color[0].r, 'r');
}

// Each malformed reply is a CaptureError with a message, and the host's frame is released.
TEST(CaptureReply, MalformedRepliesAreRefused) {
    auto framed = [](int jsonLength, const std::string& rest, const std::string& json = "{}") {
        std::string bytes;
        norvik::protocol::appendInt32BE(bytes, jsonLength);
        return bytes + json + rest;
    };
    const std::string objectErr = "{\"err_msg\":{\"a\":1}}";
    const std::string deepErr = "{\"err_msg\":" + std::string(5000, '[');
    const int big = 65536;
    struct Case {
        const char* name;
        std::string bytes;
        bool color;
    } cases[] = {
        {"shorter than the prefix", std::string("\x00\x00", 2), false},
        {"json length beyond the reply", framed(1000, imageTail(1, 1, 1, 0, 2, "ab")), false},
        {"negative json length", framed(-5, imageTail(1, 1, 1, 0, 2, "ab")), false},
        {"ends after the json", framed(2, ""), false},
        {"zero rows", framed(2, imageTail(1, 0, 1, 0, 2, "ab")), false},
        {"zero cols", framed(2, imageTail(1, 1, 0, 0, 2, "ab")), true},
        {"negative rows", framed(2, imageTail(1, -2, -3, 0, 2, "ab")), false},
        {"rows times cols overflows", framed(2, imageTail(1, big, big, 0, 2, "ab")), false},
        {"negative byte count, bgr short", framed(2, imageTail(1, 1, 2, kBgr, -1, "abcde")), true},
        {"byte count beyond the reply, depth short", framed(2, imageTail(1, 2, 1, 0, 9, "abc")), false},
        {"depth payload short", framed(2, imageTail(1, 2, 2, 0, 6, "abcdef")), false},
        {"zero depth scale", framed(2, imageTail(0.0, 1, 1, 0, 2, "ab")), false},
        {"tiny depth scale", framed(2, imageTail(1e-17, 1, 1, 0, 2, "ab")), false},
        {"bgr payload short", framed(2, imageTail(1, 1, 2, kBgr, 5, "abcde")), true},
        {"bgr byte count beyond the image", framed(2, imageTail(1, 1, 1, kBgr, 6, "abcdef")), true},
        {"gray payload short", framed(2, imageTail(1, 2, 2, kGray, 3, "abc")), true},
        {"unknown pixel type", framed(2, imageTail(1, 1, 1, 7, 3, "abc")), true},
        {"err_msg of an object", framed(int(objectErr.size()), imageTail(1, 1, 1, 0, 2, "ab"), objectErr),
         false},
        {"deeply nested err_msg", framed(int(deepErr.size()), imageTail(1, 1, 1, 0, 2, "ab"), deepErr),
         false},
    };

    ConnectedCamera cam;
    for (const auto& c : cases) {
        cam.queueCapture(ScriptedCamera::raw(c.bytes));
        ErrorStatus status;
        bool released;
        if (c.color) {
            auto frame = filledFrame<ElementColor>(2, 2, {1, 1, 1});
            status = cam.device.captureColorMap(frame);
            released = frame.empty();
        } else {
            auto frame = filledFrame<ElementDepth>(2, 2, {1.0f});
            status = cam.device.captureDepthMap(frame);
            released = frame.empty();
        }
        EXPECT_EQ(status.code, CaptureError) << c.name;
        EXPECT_FALSE(status.message.empty()) << c.name;
        EXPECT_TRUE(released) << c.name;
    }
}

}  // namespace
