#include "settings/user_sets.h"

#include <utility>

#include "transport/json_fields.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

namespace command = protocol::command;
namespace member = protocol::member;

namespace {

constexpr char kEmptyName[] = "Input user set name is empty.";

Json::Value namedRequest(const char* command, const std::string& name) {
    Json::Value request;
    request[member::Cmd] = command;
    request[member::ConfigName] = name;
    return request;
}

api::ErrorStatus write(transport::CommandClient& client, const char* command, const std::string& name) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    Json::Value reply;
    return client.requestJson(namedRequest(command, name), reply, api::WriteError);
}

api::ErrorStatus readGroups(transport::CommandClient& client, Json::Value& reply) {
    Json::Value request;
    request[member::Cmd] = command::GetConfigGroup;
    return client.requestJson(request, reply, api::ReadError);
}

}  // namespace

api::ErrorStatus readUserSetNames(const Json::Value& reply, std::vector<std::string>& names) {
    names.clear();
    const Json::Value* list = transport::findMember(reply, member::AvailableConfigNames);
    if (list == nullptr || !(list->isNull() || list->isArray()))
        return {api::ReadError, "Malformed reply: \"available_config_names\" is not a list of names."};
    std::vector<std::string> read;
    for (const Json::Value& element : *list) {
        std::string text;
        if (!transport::readValue(element, text))
            return {api::ReadError,
                    "Malformed reply: \"available_config_names\" holds a value that is not a name."};
        read.push_back(std::move(text));
    }
    names = std::move(read);
    return {};
}

api::ErrorStatus readCurrentUserSet(const Json::Value& reply, std::string& name) {
    std::string error;
    if (!transport::readMember(reply, member::CurrentConfig, name, error)) return {api::ReadError, error};
    return {};
}

api::ErrorStatus addUserSet(transport::CommandClient& client, const std::string& name) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    if (name.empty()) return {api::WriteError, kEmptyName};
    if (auto s = write(client, command::AddConfigGroup, name); !s.isOk()) return s;
    // A new set always becomes the current one.
    return setCurrentUserSet(client, name);
}

api::ErrorStatus deleteUserSet(transport::CommandClient& client, const std::string& name) {
    return write(client, command::DeleteConfigGroup, name);
}

api::ErrorStatus setCurrentUserSet(transport::CommandClient& client, const std::string& name) {
    return write(client, command::SetConfigGroup, name);
}

api::ErrorStatus getAllUserSets(transport::CommandClient& client, std::vector<std::string>& names) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    names.clear();
    Json::Value reply;
    if (auto s = readGroups(client, reply); !s.isOk()) return s;
    return readUserSetNames(reply, names);
}

api::ErrorStatus getCurrentUserSet(transport::CommandClient& client, std::string& name) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    Json::Value reply;
    api::ErrorStatus status = readGroups(client, reply);
    std::string current;
    if (status.isOk()) status = readCurrentUserSet(reply, current);
    name = status.isOk() ? std::move(current) : std::string();
    return status;
}

api::ErrorStatus saveAllSettingsToUserSets(transport::CommandClient& client) {
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    Json::Value request;
    request[member::Cmd] = command::SetCameraConfig;
    request[member::CameraConfig] = Json::Value();
    request[member::Persistent] = true;
    Json::Value reply;
    return client.requestJson(request, reply, api::WriteError);
}

}  // namespace settings
}  // namespace norvik
