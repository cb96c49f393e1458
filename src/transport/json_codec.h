#pragma once

// Writing requests and reading replies. Requests are written exactly as the camera expects them: compact
// JSON, members in name order, one newline at the end.

#include <json/json.h>

#include <string>
#include <string_view>

namespace norvik {
namespace transport {

// The compact request text, newline included.
std::string writeRequest(const Json::Value& request);

// Parses one JSON value from text (comments allowed, anything after the first complete value ignored).
// Returns false with a readable reason when the text is not JSON (empty text is not) or nests deeper than
// 64 levels; out then holds what was read before the error. Never throws.
bool parseJson(std::string_view text, Json::Value& out, std::string& error);

}  // namespace transport
}  // namespace norvik
