#include "settings/parameter_access.h"

#include <utility>

#include "transport/json_fields.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

namespace member = protocol::member;

namespace {

api::ErrorStatus send(transport::CommandClient& client, const std::string& name, Json::Value value) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    Json::Value request;
    request[member::Cmd] = protocol::command::SetCameraParams;
    request[member::PropertyName] = name;
    request[member::PropertyValue] = std::move(value);
    Json::Value reply;
    return client.requestJson(request, reply, api::WriteError);
}

const char* describe(const std::int32_t&) { return "a 32-bit integer"; }
const char* describe(const double&) { return "a number"; }
const char* describe(const bool&) { return "a boolean"; }
const char* describe(const std::string&) { return "text"; }

template <typename T>
api::ErrorStatus convertAs(const Json::Value& value, const std::string& name, T& out) {
    T converted{};
    if (!transport::readValue(value, converted))
        return {api::ReadError,
                "Malformed reply: the value of " + name + " is not " + describe(converted) + "."};
    out = std::move(converted);
    return {};
}

template <typename T>
api::ErrorStatus readAs(transport::CommandClient& client, const std::string& name, T& out) {
    Json::Value value;
    api::ErrorStatus status = getParameter(client, name, value);
    if (!status.isOk()) return status;
    return convertAs(value, name, out);
}

}  // namespace

api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, std::int32_t value) {
    return send(client, name, Json::Value(static_cast<Json::Int>(value)));
}

api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, double value) {
    return send(client, name, Json::Value(value));
}

api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, bool value) {
    return send(client, name, Json::Value(value));
}

api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, std::string value) {
    return send(client, name, Json::Value(std::move(value)));
}

api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name,
                              std::uint64_t value) {
    return send(client, name, Json::Value(static_cast<Json::UInt64>(value)));
}

api::ErrorStatus setParameter(transport::CommandClient& client, const std::string& name, Json::Value value) {
    return send(client, name, std::move(value));
}

api::ErrorStatus getParameter(transport::CommandClient& client, const std::string& name, Json::Value& value) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    Json::Value request;
    request[member::Cmd] = protocol::command::GetCameraParams;
    request[member::PropertyName] = name;
    Json::Value reply;
    if (auto status = client.requestJson(request, reply, api::ReadError); !status.isOk()) return status;
    return readParameterValue(reply, value);
}

api::ErrorStatus readParameterValue(const Json::Value& reply, Json::Value& value) {
    const Json::Value* found = transport::findMember(reply, member::PropertyValue);
    if (found == nullptr)
        return {api::ReadError, "Malformed reply: the reply to a parameter read is not an object."};
    value = *found;
    return {};
}

api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, std::int32_t& out) {
    return convertAs(value, name, out);
}

api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, double& out) {
    return convertAs(value, name, out);
}

api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, bool& out) {
    return convertAs(value, name, out);
}

api::ErrorStatus convertParameter(const Json::Value& value, const std::string& name, std::string& out) {
    return convertAs(value, name, out);
}

api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, std::int32_t& out) {
    return readAs(client, name, out);
}

api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, double& out) {
    return readAs(client, name, out);
}

api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, bool& out) {
    return readAs(client, name, out);
}

api::ErrorStatus readParameter(transport::CommandClient& client, const std::string& name, std::string& out) {
    return readAs(client, name, out);
}

}  // namespace settings
}  // namespace norvik
