#include "transport/reply_judgement.h"

#include "transport/framing.h"
#include "transport/json_codec.h"
#include "transport/json_fields.h"
#include "transport/messages.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace transport {

bool judgeJsonReply(std::string_view reply, Json::Value& json, std::string& errorText) {
    // A reply too short for its length prefix carries nothing usable: treat it as no reply.
    if (reply.size() < protocol::kLengthPrefixBytes) {
        errorText = kEmptyResponseMessage;
        return false;
    }
    const std::string_view text = reply.substr(protocol::kLengthPrefixBytes);
    if (!text.empty()) {
        std::string parseError;
        if (!parseJson(text, json, parseError)) {
            errorText = "Malformed reply from the camera: " + parseError;
            return false;
        }
    }
    // Only an object can carry "err_msg"; a reply of another shape is left to its reader to refuse.
    if (!json.isObject()) return true;
    if (!json.isMember(protocol::member::ErrMsg)) return true;
    const Json::Value& errMsg = json[protocol::member::ErrMsg];
    if (errMsg.isString() && errMsg.asString().empty()) return true;
    if (!readValue(errMsg, errorText)) errorText = "The camera reported an error of an unexpected form.";
    return false;
}

}  // namespace transport
}  // namespace norvik
