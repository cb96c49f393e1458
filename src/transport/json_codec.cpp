#include "transport/json_codec.h"

namespace norvik {
namespace transport {

std::string writeRequest(const Json::Value& request) {
    // The camera's firmware reads the exact text of this writer (sorted members, trailing newline).
    Json::FastWriter writer;
    return writer.write(request);
}

bool parseJson(std::string_view text, Json::Value& out, std::string& error) {
    Json::Reader reader;  // lenient dialect, as cameras write it
    if (reader.parse(text.data(), text.data() + text.size(), out, true)) return true;
    error = reader.getFormattedErrorMessages();
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    return false;
}

}  // namespace transport
}  // namespace norvik
