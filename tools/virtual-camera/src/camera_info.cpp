#include "camera_info.h"

#include "transport/protocol_names.h"

namespace quorix {
namespace virtualcam {

namespace member = norvik::protocol::member;

Json::Value cameraInfoJson(const Options& options, const std::string& identifier, std::uint16_t port,
                           const Faults& faults) {
    Json::Value info(Json::objectValue);
    info[member::QuorixId] = identifier;
    info[member::Model] = options.modelCode;
    info[member::CamVersion] = options.hardwareVersion;
    info[member::Version] = faults.oldFirmware ? kOldFirmwareVersion : options.firmwareVersion;
    // Serving on every interface names no single address; an empty one makes clients use the one they
    // reached.
    info[member::IpAddress] = options.address == "0.0.0.0" ? std::string() : options.address;
    info[member::Port] = port;
    info[member::IsVirtual] = faults.reportVirtual;
    return info;
}

std::string compactJson(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

}  // namespace virtualcam
}  // namespace quorix
