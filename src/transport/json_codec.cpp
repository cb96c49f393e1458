#include "transport/json_codec.h"

#include <exception>
#include <memory>
#include <string>

namespace norvik {
namespace transport {

namespace {

// Replies nest a few levels; this bounds the reader's recursion (and the value's destruction) far below what
// any thread's stack holds.
constexpr int kMaxJsonNesting = 64;

std::unique_ptr<Json::CharReader> makeReader() {
    Json::CharReaderBuilder builder;
    // The lenient dialect cameras write: comments allowed and kept, anything after the first value ignored.
    builder["collectComments"] = true;
    builder["allowComments"] = true;
    builder["failIfExtra"] = false;
    builder["stackLimit"] = kMaxJsonNesting;
    return std::unique_ptr<Json::CharReader>(builder.newCharReader());
}

}  // namespace

std::string writeRequest(const Json::Value& request) {
    // The camera's firmware reads the exact text of this writer (sorted members, trailing newline).
    Json::FastWriter writer;
    return writer.write(request);
}

bool parseJson(std::string_view text, Json::Value& out, std::string& error) {
    try {
        if (makeReader()->parse(text.data(), text.data() + text.size(), &out, &error)) return true;
    } catch (const Json::Exception&) {
        // The reader's one exception: the nesting exceeds its limit.
        error = "nested deeper than " + std::to_string(kMaxJsonNesting) + " levels";
    } catch (const std::exception& e) {
        error = e.what();
    }
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    return false;
}

}  // namespace transport
}  // namespace norvik
