#include <string_view>

#include "transport/command_client.h"
#include "transport/json_codec.h"
#include "transport/messages.h"
#include "transport/protocol_names.h"
#include "transport/reply_judgement.h"

namespace norvik {
namespace transport {

bool CommandClient::requestJson(const Json::Value& request, Json::Value& reply, std::string& errorText) {
    zmq::message_t message;
    if (!sendCommand(writeRequest(request), message)) {
        errorText = kEmptyResponseMessage;
        return false;
    }
    return judgeJsonReply(std::string_view(static_cast<const char*>(message.data()), message.size()), reply,
                          errorText);
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
