#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace norvik {
namespace api {

// The only codes any operation reports.
enum ErrorCode : std::int32_t {
    Success = 0,
    InvalidDevice = -1,
    ReadError = -2,
    UnsupportedFirmware = -3,
    WriteError = -4,
    UnsupportedModel = -5,
    CaptureError = -6,
    EmptyInput = -7,
    InvalidIntrinsics = -8,
};

// Result of every operation: a code and, on failure, a message for a person.
struct ErrorStatus {
    std::int32_t code = Success;
    std::string message;

    ErrorStatus() = default;
    ErrorStatus(std::int32_t errorCode, std::string errorMessage)
        : code(errorCode), message(std::move(errorMessage)) {}

    bool isOk() const { return code == Success; }
};

// Identity of one camera, as read from the camera or from its announcement.
struct QuorixDeviceInfo {
    std::string model;
    std::string id;
    std::string hardwareVersion;
    std::string firmwareVersion;
    std::string ipAddress;
    std::uint16_t port = 0;
};

// Pinhole model of one imager: distortion k1..k5 and fx, fy, cx, cy in pixels.
struct CameraIntrinsics {
    double distCoefficients[5] = {0, 0, 0, 0, 0};
    double intrinsic[4] = {0, 0, 0, 0};
};

// Calibration of the whole device: both imagers and the pose of the depth camera in the 2D camera's frame.
struct DeviceIntri {
    CameraIntrinsics intrinsic2DCamera;
    CameraIntrinsics intrinsic3DCamera;
    double rotation[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double translation[3] = {0, 0, 0};  // millimetres
};

// Sizes of the images the camera delivers.
struct DeviceResolution {
    std::uint32_t image2DWidth = 0;
    std::uint32_t image2DHeight = 0;
    std::uint32_t image3DWidth = 0;
    std::uint32_t image3DHeight = 0;
};

}  // namespace api
}  // namespace norvik
