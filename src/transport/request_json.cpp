#include <string_view>

#include "transport/command_client.h"
#include "transport/json_codec.h"
#include "transport/messages.h"
#include "transport/protocol_names.h"
#include "transport/reply_judgement.h"

namespace norvik {
namespace transport {

api::ErrorStatus CommandClient::requestJson(const Json::Value& request, Json::Value& reply,
                                            std::int32_t failureCode) {
    zmq::message_t message;
    if (!sendCommand(writeRequest(request), message).isOk()) return {failureCode, kEmptyResponseMessage};
    return judgeJsonReply(std::string_view(static_cast<const char*>(message.data()), message.size()), reply,
                          failureCode);
}

api::ErrorStatus CommandClient::readCommand(const char* command, Json::Value& reply) {
    if (auto guard = connectionGuard(); !guard.isOk()) return guard;
    Json::Value request;
    request[protocol::member::Cmd] = command;
    return requestJson(request, reply, api::ReadError);
}

}  // namespace transport
}  // namespace norvik
