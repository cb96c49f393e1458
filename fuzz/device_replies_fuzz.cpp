// The identity, calibration and image-size readers on arbitrary reply JSON.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/device_info.h"
#include "device/intrinsics.h"
#include "transport/json_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Json::Value reply;
    std::string error;
    if (!norvik::transport::parseJson(text, reply, error)) return 0;

    norvik::api::QuorixDeviceInfo info;
    norvik::device::parseDeviceInfo(reply, info, error);
    if (reply.isObject() && reply.isMember("camera_info"))
        norvik::device::parseDeviceInfo(reply["camera_info"], info, error);
    norvik::api::DeviceIntri intri;
    norvik::device::parseDeviceIntri(reply, intri);
    norvik::api::DeviceResolution resolution;
    norvik::device::parseImageFormat(reply, resolution, error);
    return 0;
}
