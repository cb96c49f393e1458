#pragma once

// Shared pieces of the imaging tests: capture replies and a connected device on the scripted camera, besides
// the kernels' references (kernel_references.h).

#include <gtest/gtest.h>
#include <json/json.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/image_header.h"
#include "kernel_references.h"
#include "quorix/QuorixDevice.h"
#include "support/scripted_camera.h"
#include "transport/framing.h"
#include "transport/protocol_names.h"

namespace imaging_test {

using quorix_test::Reply;
using quorix_test::ScriptedCamera;

constexpr int kBgr = 16;
constexpr int kGray = 0;

// The binary tail of a capture reply: header, then the payload.
inline std::string imageTail(double scale, int rows, int cols, int type, int byteCount,
                             const std::string& payload) {
    std::string tail;
    norvik::protocol::appendDoubleBE(tail, scale);
    for (int v : {rows, cols, type, byteCount}) norvik::protocol::appendInt32BE(tail, v);
    return tail + payload;
}

inline Reply captureReply(double scale, int rows, int cols, int type, const std::string& payload) {
    return ScriptedCamera::json(
        Json::Value(Json::objectValue),
        imageTail(scale, rows, cols, type, static_cast<int>(payload.size()), payload));
}

inline std::string bgrPayload(const Frame<ElementColor>& image) {
    return std::string(reinterpret_cast<const char*>(image.data()), image.width() * image.height() * 3);
}

// A calibration reply: depth and 2D intrinsics, pose as translation in metres and quaternion w, x, y, z.
inline Json::Value calibrationReply(const std::vector<double>& depth, const std::vector<double>& color,
                                    const std::vector<double>& pose) {
    namespace member = norvik::protocol::member;
    auto camera = [](const std::vector<double>& intrinsic) {
        Json::Value c;
        for (double v : intrinsic) c[member::Intrinsic].append(v);
        for (int i = 0; i < 5; ++i) c[member::DistCoefficients].append(0.0);
        return c;
    };
    Json::Value body;
    body[member::CameraIntri][member::Intrinsic3DCamera] = camera(depth);
    body[member::CameraIntri][member::Intrinsic2DCamera] = camera(color);
    for (double v : pose) body[member::CameraIntri][member::Cam3DInCam2D].append(v);
    return body;
}

// A device connected to a scripted camera of the given model.
struct ConnectedCamera {
    ScriptedCamera camera;
    QuorixDevice device;

    explicit ConnectedCamera(int modelCode = 13, const Json::Value* calibration = nullptr) {
        camera.serveIdentity(modelCode);
        if (calibration != nullptr) {
            const Json::Value body = *calibration;
            camera.on(norvik::protocol::command::GetGroupIntri,
                      [body](const Json::Value&) { return ScriptedCamera::json(body); });
        }
        const ErrorStatus status = device.connect(ScriptedCamera::address(), camera.port(), 3000);
        EXPECT_EQ(status.code, Success) << status.message;
        camera.clearRequests();
    }
    void queueCapture(Reply reply) {
        camera.queue(norvik::protocol::command::CaptureImage, std::move(reply));
    }
};

}  // namespace imaging_test
