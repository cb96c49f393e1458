#pragma once

// What a JSON reply says, judged from its bytes alone: usable, malformed, or the camera's "err_msg".

#include <json/json.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "quorix/Types.h"

namespace norvik {
namespace transport {

// reply is the whole reply message (length prefix included; empty when none came). Parses the JSON text
// behind the prefix into json. False with errorText when the reply is too short for its prefix, does not
// parse, or carries a non-empty "err_msg" (or one that is not text): failureCode with the reason.
api::ErrorStatus judgeJsonReply(std::string_view reply, Json::Value& json, std::int32_t failureCode);

}  // namespace transport
}  // namespace norvik
