#include "transport/reply_judgement.h"

#include "transport/framing.h"
#include "transport/json_codec.h"
#include "transport/json_fields.h"
#include "transport/messages.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace transport {

api::ErrorStatus judgeJsonReply(std::string_view reply, Json::Value& json, std::int32_t failureCode) {
    // A reply too short for its length prefix carries nothing usable: treat it as no reply.
    if (reply.size() < protocol::kLengthPrefixBytes) return {failureCode, kEmptyResponseMessage};
    const std::string_view text = reply.substr(protocol::kLengthPrefixBytes);
    if (!text.empty()) {
        std::string parseError;
        if (!parseJson(text, json, parseError))
            return {failureCode, "Malformed reply from the camera: " + parseError};
    }
    // Only an object can carry "err_msg"; a reply of another shape is left to its reader to refuse.
    if (!json.isObject()) return {};
    if (!json.isMember(protocol::member::ErrMsg)) return {};
    const Json::Value& errMsg = json[protocol::member::ErrMsg];
    if (errMsg.isString() && errMsg.asString().empty()) return {};
    std::string errorText;
    if (!readValue(errMsg, errorText)) errorText = "The camera reported an error of an unexpected form.";
    return {failureCode, errorText};
}

}  // namespace transport
}  // namespace norvik
