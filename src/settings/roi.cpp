#include "settings/roi.h"

#include <limits>
#include <string>

#include "settings/parameter_access.h"
#include "transport/json_fields.h"

namespace norvik {
namespace settings {

namespace member = protocol::member;

namespace {

// One field of the region: a non-negative integer that fits in 32 bits (a missing member reads as 0).
bool readField(const Json::Value& region, const char* key, std::uint32_t& out, std::string& error) {
    std::int64_t value = 0;
    if (!transport::readMember(region, key, value, error)) return false;
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max()) {
        error = std::string("Malformed reply: member \"") + key + "\" of the region is out of range.";
        return false;
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

api::ErrorStatus checkRoi(const RoiSetting& setting, const api::DeviceResolution& sizes,
                          const api::ROI& roi) {
    const std::uint32_t width = sizes.*setting.imageWidth;
    const std::uint32_t height = sizes.*setting.imageHeight;
    // In 64 bits: a huge offset plus a width must not wrap around and pass.
    if (std::uint64_t{roi.X} + roi.Width > width || std::uint64_t{roi.Y} + roi.Height > height) {
        return {api::WriteError, "The maximum image size is width : " + std::to_string(width) +
                                     ", height : " + std::to_string(height) + setting.refusalEnd};
    }
    return {};
}

api::ErrorStatus setRoi(transport::CommandClient& client, const RoiSetting& setting,
                        const ImageSizeReader& readSizes, const api::ROI& roi) {
    api::DeviceResolution sizes;
    if (auto status = readSizes(sizes); !status.isOk()) return status;
    if (auto status = checkRoi(setting, sizes, roi); !status.isOk()) return status;
    Json::Value region;
    region[member::RoiX] = Json::Value(static_cast<Json::UInt>(roi.X));
    region[member::RoiY] = Json::Value(static_cast<Json::UInt>(roi.Y));
    region[member::RoiWidth] = Json::Value(static_cast<Json::UInt>(roi.Width));
    region[member::RoiHeight] = Json::Value(static_cast<Json::UInt>(roi.Height));
    return setParameter(client, setting.key, region);
}

api::ErrorStatus getRoi(transport::CommandClient& client, const RoiSetting& setting, api::ROI& roi) {
    Json::Value region;
    api::ErrorStatus status = getParameter(client, setting.key, region);
    api::ROI read;
    std::string error;
    if (status.isOk() &&
        !(readField(region, member::RoiX, read.X, error) && readField(region, member::RoiY, read.Y, error) &&
          readField(region, member::RoiWidth, read.Width, error) &&
          readField(region, member::RoiHeight, read.Height, error))) {
        status = {api::ReadError, error};
    }
    roi = status.isOk() ? read : api::ROI{};
    return status;
}

}  // namespace settings
}  // namespace norvik
