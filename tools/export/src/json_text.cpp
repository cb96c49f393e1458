#include "json_text.h"

#include <json/reader.h>

#include <exception>
#include <memory>

namespace norvik {
namespace files {

namespace {

// The deepest nesting of arrays and objects in text, counting brackets outside strings; stops counting
// once past limit.
int nestingDepth(const std::string& text, int limit) {
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > deepest) deepest = depth;
            if (deepest > limit) return deepest;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

}  // namespace

bool parseJsonText(const std::string& text, int maxNesting, Json::Value& value, std::string& error) {
    if (nestingDepth(text, maxNesting) > maxNesting) {
        error = "not a valid document: nested deeper than " + std::to_string(maxNesting) + " levels";
        return false;
    }
    try {
        Json::CharReaderBuilder builder;
        builder["stackLimit"] = maxNesting + 1;
        builder["collectComments"] = false;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value parsed;
        std::string errors;
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, &errors)) {
            error = "not JSON: " + errors.substr(0, errors.find('\n'));
            return false;
        }
        value = std::move(parsed);
        return true;
    } catch (const std::exception& e) {
        error = std::string("not JSON: ") + e.what();
        return false;
    }
}

}  // namespace files
}  // namespace norvik
