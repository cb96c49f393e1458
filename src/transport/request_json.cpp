#include <string_view>

#include "transport/command_client.h"
#include "transport/framing.h"
#include "transport/json_codec.h"
#include "transport/json_fields.h"
#include "transport/messages.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace transport {

bool CommandClient::requestJson(const Json::Value& request, Json::Value& reply, std::string& errorText) {
    zmq::message_t message;
    // A reply too short for its length prefix carries nothing usable: treat it as no reply.
    if (!sendCommand(writeRequest(request), message) || message.size() < protocol::kLengthPrefixBytes) {
        errorText = kEmptyResponseMessage;
        return false;
    }
    const std::string_view text(static_cast<const char*>(message.data()) + protocol::kLengthPrefixBytes,
                                message.size() - protocol::kLengthPrefixBytes);
    if (!text.empty()) {
        std::string parseError;
        if (!parseJson(text, reply, parseError)) {
            errorText = "Malformed reply from the camera: " + parseError;
            return false;
        }
    }
    // Only an object can carry "err_msg"; a reply of another shape is left to its reader to refuse.
    if (!reply.isObject()) return true;
    if (!reply.isMember(protocol::member::ErrMsg)) return true;
    const Json::Value& errMsg = reply[protocol::member::ErrMsg];
    if (errMsg.isString() && errMsg.asString().empty()) return true;
    if (!readValue(errMsg, errorText)) errorText = "The camera reported an error of an unexpected form.";
    return false;
}

api::ErrorStatus CommandClient::readCommand(const char* command, Json::Value& reply) {
    if (auto guard = connectionGuard(); !guard.isOk()) return guard;
    Json::Value request;
    request[protocol::member::Cmd] = command;
    std::string error;
    if (!requestJson(request, reply, error)) return {api::ReadError, error};
    return {};
}

}  // namespace transport
}  // namespace norvik
