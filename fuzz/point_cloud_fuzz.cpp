// Point clouds from a fuzzed calibration and fuzzed capture replies. The input is the calibration as raw
// doubles (both imagers, then rotation and translation), a 4-byte big-endian length, a colour capture reply
// of that length, then a depth capture reply. Sizes stay small because the image bytes must be present.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "imaging/capture_image.h"
#include "imaging/decode.h"
#include "imaging/point_cloud.h"
#include "transport/framing.h"

namespace {

constexpr std::size_t kIntriBytes = sizeof(double) * (2 * (5 + 4) + 9 + 3);

void readIntri(const std::uint8_t* data, norvik::api::DeviceIntri& intri) {
    double values[kIntriBytes / sizeof(double)];
    std::memcpy(values, data, kIntriBytes);
    const double* next = values;
    for (norvik::api::CameraIntrinsics* camera : {&intri.intrinsic2DCamera, &intri.intrinsic3DCamera}) {
        for (double& v : camera->distCoefficients) v = *next++;
        for (double& v : camera->intrinsic) v = *next++;
    }
    for (auto& row : intri.rotation)
        for (double& v : row) v = *next++;
    for (double& v : intri.translation) v = *next++;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kIntriBytes + norvik::protocol::kLengthPrefixBytes) return 0;
    norvik::api::DeviceIntri intri;
    readIntri(data, intri);
    std::string_view rest(reinterpret_cast<const char*>(data) + kIntriBytes, size - kIntriBytes);
    int cursor = 0;
    const std::int32_t colorLength = norvik::protocol::readInt32BE(rest, cursor);
    rest.remove_prefix(norvik::protocol::kLengthPrefixBytes);
    if (colorLength < 0 || static_cast<std::size_t>(colorLength) > rest.size()) return 0;
    const std::string_view colorReply = rest.substr(0, static_cast<std::size_t>(colorLength));
    const std::string_view depthReply = rest.substr(static_cast<std::size_t>(colorLength));

    // A colour image that does not split or decode leaves the frame empty: the cloud must cope with that too.
    norvik::api::Frame<norvik::api::ElementColor> color;
    norvik::imaging::ImageHeader header;
    std::string_view payload;
    if (norvik::imaging::splitCaptureReply(colorReply, header, payload).isOk())
        norvik::imaging::decodeColorMap(header, payload, color);

    if (!norvik::imaging::splitCaptureReply(depthReply, header, payload).isOk()) return 0;
    norvik::api::Frame<norvik::api::ElementPointXYZ> xyz;
    norvik::imaging::computePointXYZ(header, payload, intri.intrinsic3DCamera, xyz);
    norvik::api::Frame<norvik::api::ElementPointXYZBGR> xyzbgr;
    norvik::imaging::computePointXYZBGR(color, header, payload, intri, xyzbgr);
    return 0;
}
