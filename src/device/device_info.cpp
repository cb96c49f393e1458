#include "device/device_info.h"

#include <cstdint>
#include <string>

#include "device/device_impl.h"
#include "device/model_catalogue.h"
#include "transport/json_fields.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace device {

namespace member = protocol::member;
using transport::readMember;

bool parseDeviceInfo(const Json::Value& object, api::QuorixDeviceInfo& out, std::string& error) {
    if (object.isNull() || ((object.isObject() || object.isArray()) && object.empty())) {
        out = {};
        return true;
    }
    bool isVirtual = false;
    if (!readMember(object, member::IsVirtual, isVirtual, error)) return false;
    if (isVirtual) {
        out = {};
        return true;
    }
    api::QuorixDeviceInfo info;
    std::int32_t code = 0;
    std::int64_t port = 0;
    if (!readMember(object, member::QuorixId, info.id, error) ||
        !readMember(object, member::Model, code, error) ||
        !readMember(object, member::CamVersion, info.hardwareVersion, error) ||
        !readMember(object, member::Version, info.firmwareVersion, error) ||
        !readMember(object, member::IpAddress, info.ipAddress, error) ||
        !readMember(object, member::Port, port, error)) {
        return false;
    }
    if (port < 0 || port > 65535) {
        error = "Malformed identity: \"port\" " + std::to_string(port) + " is not a port (0 to 65535).";
        return false;
    }
    info.model = modelName(code);
    info.port = static_cast<std::uint16_t>(port);
    out = std::move(info);
    return true;
}

}  // namespace device

namespace api {

ErrorStatus QuorixDeviceImpl::fetchDeviceInfo(QuorixDeviceInfo& info) {
    info = {};
    Json::Value reply;
    if (auto status = channel_.readCommand(protocol::command::GetCameraInfo, reply); !status.isOk())
        return status;

    const Json::Value* cameraInfo = transport::findMember(reply, protocol::member::CameraInfo);
    QuorixDeviceInfo parsed;
    if (cameraInfo == nullptr) {
        return {ReadError, "Malformed reply: the identity reply is not an object."};
    }
    std::string error;
    if (!device::parseDeviceInfo(*cameraInfo, parsed, error)) return {ReadError, error};
    if (parsed.ipAddress.empty()) parsed.ipAddress = connectedAddress_;
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        cachedInfo_ = parsed;
    }
    info = std::move(parsed);
    return {};
}

}  // namespace api
}  // namespace norvik
