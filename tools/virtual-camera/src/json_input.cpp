#include "json_input.h"

#include <exception>
#include <memory>
#include <string>

namespace quorix {
namespace virtualcam {

namespace {
// Far more than any request or file of the camera needs, and far less than a thread's stack holds.
constexpr int kMaxJsonNesting = 64;
}  // namespace

bool parseJsonInput(std::string_view text, JsonDialect dialect, Json::Value& out, std::string& error) {
    Json::CharReaderBuilder builder;
    if (dialect == JsonDialect::Strict) Json::CharReaderBuilder::strictMode(&builder.settings_);
    builder["stackLimit"] = kMaxJsonNesting;
    try {
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        return reader->parse(text.data(), text.data() + text.size(), &out, &error);
    } catch (const Json::Exception&) {
        // The reader's one exception: the nesting exceeds its limit.
        error = "nested deeper than " + std::to_string(kMaxJsonNesting) + " levels";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

}  // namespace virtualcam
}  // namespace quorix
