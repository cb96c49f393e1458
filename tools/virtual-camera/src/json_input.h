#pragma once

// Reading JSON that comes from outside the camera's own code: requests, the user-set file, scene files.

#include <json/json.h>

#include <string>
#include <string_view>

namespace quorix {
namespace virtualcam {

enum class JsonDialect {
    Strict,   // one object or array, nothing after it, no comments, no repeated member names
    Lenient,  // JsonCpp's default: comments allowed, anything after the first value ignored
};

// Parses text, nested at most 64 levels deep. False with the reader's reason when the text is not JSON of
// the dialect or nests deeper; never throws.
bool parseJsonInput(std::string_view text, JsonDialect dialect, Json::Value& out, std::string& error);

}  // namespace virtualcam
}  // namespace quorix
