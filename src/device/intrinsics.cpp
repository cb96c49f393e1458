#include <algorithm>
#include <cstdint>

#include "device/device_impl.h"
#include "device/intrinsics.h"
#include "transport/json_fields.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace device {

namespace member = protocol::member;

namespace {

constexpr char kInvalidIntrinsicsMessage[] = "Invalid device intrinsic parameters.";
constexpr double kMetresToMillimetres = 1000.0;

// Reads every element of a JSON array of numbers; false, out untouched, when one cannot be read as a number.
template <std::size_t N>
bool readNumbers(const Json::Value& array, double (&out)[N]) {
    double values[N];
    for (Json::ArrayIndex i = 0; i < N; ++i) {
        if (!transport::readValue(array[i], values[i])) return false;
    }
    std::copy(values, values + N, out);
    return true;
}

// Number of elements of an array, 0 for anything else (a missing member reads as null).
Json::ArrayIndex arraySize(const Json::Value& value) { return value.isArray() ? value.size() : 0; }

}  // namespace

IntrinsicsParse parseCameraIntri(const Json::Value& object, api::CameraIntrinsics& out) {
    const Json::Value* intrinsic = transport::findMember(object, member::Intrinsic);
    const Json::Value* dist = transport::findMember(object, member::DistCoefficients);
    if (intrinsic == nullptr || dist == nullptr || arraySize(*intrinsic) != 4 || arraySize(*dist) != 5)
        return IntrinsicsParse::WrongShape;
    api::CameraIntrinsics parsed;
    if (!readNumbers(*intrinsic, parsed.intrinsic) || !readNumbers(*dist, parsed.distCoefficients))
        return IntrinsicsParse::NotANumber;
    out = parsed;
    return IntrinsicsParse::Ok;
}

void poseFromWire(const double (&pose)[7], api::DeviceIntri& out) {
    for (int i = 0; i < 3; ++i) out.translation[i] = pose[i] * kMetresToMillimetres;
    // Unit quaternion w, x, y, z, used as received (cameras send it normalised).
    const double w = pose[3], x = pose[4], y = pose[5], z = pose[6];
    const double r[3][3] = {
        {1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
        {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
        {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)},
    };
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out.rotation[i][j] = r[i][j];
}

api::ErrorStatus parseDeviceIntri(const Json::Value& reply, api::DeviceIntri& out) {
    const Json::Value* group = transport::findMember(reply, member::CameraIntri);
    if (group == nullptr) return {api::ReadError, "Malformed reply: the calibration reply is not an object."};
    const Json::Value* cam3d = transport::findMember(*group, member::Intrinsic3DCamera);
    const Json::Value* cam2d = transport::findMember(*group, member::Intrinsic2DCamera);
    const Json::Value* pose = transport::findMember(*group, member::Cam3DInCam2D);
    if (cam3d == nullptr || cam2d == nullptr || pose == nullptr)
        return {api::ReadError, "Malformed reply: \"camera_intri\" is not an object."};

    // Records converted before a fault stay written in out, as callers of the calibration read expect.
    const struct {
        const Json::Value* object;
        api::CameraIntrinsics* target;
        const char* name;
    } cameras[] = {{cam3d, &out.intrinsic3DCamera, member::Intrinsic3DCamera},
                   {cam2d, &out.intrinsic2DCamera, member::Intrinsic2DCamera}};
    for (const auto& camera : cameras) {
        switch (parseCameraIntri(*camera.object, *camera.target)) {
            case IntrinsicsParse::Ok:
                break;
            case IntrinsicsParse::WrongShape:
                return {api::InvalidDevice, kInvalidIntrinsicsMessage};
            case IntrinsicsParse::NotANumber:
                return {api::ReadError, std::string("Malformed reply: \"") + camera.name +
                                            "\" holds a value that is not a number."};
        }
    }
    if (arraySize(*pose) != 7) return {api::InvalidDevice, kInvalidIntrinsicsMessage};
    double poseValues[7];
    if (!readNumbers(*pose, poseValues))
        return {api::ReadError,
                "Malformed reply: \"intrinsic_cam3d_in_cam2d\" holds a value that is not a number."};
    poseFromWire(poseValues, out);
    return {};
}

}  // namespace device

namespace api {

ErrorStatus QuorixDeviceImpl::fetchDeviceIntri(DeviceIntri& out) {
    Json::Value reply;
    if (auto status = channel_.readCommand(protocol::command::GetGroupIntri, reply); !status.isOk()) {
        out = {};
        return status;
    }
    auto status = device::parseDeviceIntri(reply, out);
    if (status.code == ReadError) out = {};
    if (!status.isOk()) return status;
    std::lock_guard<std::mutex> lock(cacheMutex);
    cachedIntri_ = out;
    return {};
}

ErrorStatus QuorixDeviceImpl::fetchDeviceResolution(DeviceResolution& out) {
    out = {};
    Json::Value reply;
    if (auto status = channel_.readCommand(protocol::command::GetImageFormat, reply); !status.isOk())
        return status;
    std::string error;
    DeviceResolution parsed;
    if (!device::parseImageFormat(reply, parsed, error)) return {ReadError, error};
    out = parsed;
    return {};
}

}  // namespace api

namespace device {

bool parseImageFormat(const Json::Value& reply, api::DeviceResolution& out, std::string& error) {
    const Json::Value* format = transport::findMember(reply, member::ImageFormat);
    const Json::Value* size2d = format ? transport::findMember(*format, member::ImageSize2D) : nullptr;
    const Json::Value* size3d = format ? transport::findMember(*format, member::ImageSize3D) : nullptr;
    std::uint32_t values[4];
    const Json::Value* sizes[2] = {size2d, size3d};
    for (int s = 0; s < 2; ++s) {
        if (sizes[s] == nullptr || arraySize(*sizes[s]) < 2) {
            error =
                "Malformed reply: \"image_format\" needs \"imageSize2D\" and \"imageSize3D\" as [width, "
                "height].";
            return false;
        }
        for (Json::ArrayIndex k = 0; k < 2; ++k) {
            const Json::Value& v = (*sizes[s])[k];
            std::int32_t n = 0;
            if (!v.isIntegral() || !transport::readValue(v, n) || n < 0) {
                error = "Malformed reply: an image size is not a non-negative integer.";
                return false;
            }
            values[2 * s + k] = static_cast<std::uint32_t>(n);
        }
    }
    out = {values[0], values[1], values[2], values[3]};
    return true;
}

}  // namespace device
}  // namespace norvik
