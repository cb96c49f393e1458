#include "operations.h"

#include <sstream>

namespace reliability {

namespace {

using norvik::api::ErrorStatus;
using norvik::api::QuorixDevice;

template <typename T>
std::string frameDigest(const norvik::api::Frame<T>& frame) {
    if (frame.empty()) return {};
    const auto* bytes = reinterpret_cast<const char*>(frame.data());
    return std::to_string(frame.width()) + "x" + std::to_string(frame.height()) + ":" +
           std::string(bytes, bytes + sizeof(T) * frame.width() * frame.height());
}

template <typename T, typename Capture>
Operation captureOperation(const char* name, Capture capture) {
    return {name,
            [capture](QuorixDevice& device, std::string& digest) {
                norvik::api::Frame<T> frame;
                const ErrorStatus status = (device.*capture)(frame);
                digest = frameDigest(frame);
                return status;
            },
            true};
}

}  // namespace

const std::vector<Operation>& operations() {
    static const std::vector<Operation> all = {
        {"device info",
         [](QuorixDevice& device, std::string& digest) {
             norvik::api::QuorixDeviceInfo info;
             const ErrorStatus status = device.getDeviceInfo(info);
             digest = info.model + "|" + info.id + "|" + info.firmwareVersion;
             return status;
         }},
        {"calibration",
         [](QuorixDevice& device, std::string& digest) {
             norvik::api::DeviceIntri intri;
             const ErrorStatus status = device.getDeviceIntri(intri);
             std::ostringstream out;
             for (double v : intri.intrinsic3DCamera.intrinsic) out << v << ',';
             for (double v : intri.translation) out << v << ',';
             digest = out.str();
             return status;
         }},
        {"3D gain",
         [](QuorixDevice& device, std::string& digest) {
             double gain = -1;
             const ErrorStatus status = device.getScan3DGain(gain);
             digest = std::to_string(gain);
             return status;
         }},
        {"expected gray value",
         [](QuorixDevice& device, std::string& digest) {
             int value = -1;
             const ErrorStatus status = device.getScan2DExpectedGrayValue(value);
             digest = std::to_string(value);
             return status;
         }},
        {"depth range",
         [](QuorixDevice& device, std::string& digest) {
             norvik::api::DepthRange range;
             const ErrorStatus status = device.getDepthRange(range);
             digest = std::to_string(range.depthLowerLimit) + "-" + std::to_string(range.depthUpperLimit);
             return status;
         }},
        {"3D exposure",
         [](QuorixDevice& device, std::string& digest) {
             std::vector<double> times;
             const ErrorStatus status = device.getScan3DExposure(times);
             for (double v : times) digest += std::to_string(v) + ",";
             return status;
         }},
        {"HDR sequence",
         [](QuorixDevice& device, std::string& digest) {
             std::vector<double> values;
             const ErrorStatus status = device.getScan2DHDRExposureSequence(values);
             for (double v : values) digest += std::to_string(v) + ",";
             return status;
         }},
        {"user sets",
         [](QuorixDevice& device, std::string& digest) {
             std::vector<std::string> names;
             const ErrorStatus status = device.getAllUserSets(names);
             for (const auto& name : names) digest += name + ",";
             return status;
         }},
        captureOperation<norvik::api::ElementColor>("colour map", &QuorixDevice::captureColorMap),
        captureOperation<norvik::api::ElementDepth>("depth map", &QuorixDevice::captureDepthMap),
        captureOperation<norvik::api::ElementPointXYZ>("XYZ cloud", &QuorixDevice::capturePointXYZMap),
        captureOperation<norvik::api::ElementPointXYZBGR>("coloured cloud",
                                                          &QuorixDevice::capturePointXYZBGRMap),
    };
    return all;
}

quorix::virtualcam::Options smallCamera(int modelCode) {
    quorix::virtualcam::Options options;
    options.modelCode = modelCode;
    options.colorSize = {16, 12};
    options.depthSize = {16, 12};
    return options;
}

}  // namespace reliability
