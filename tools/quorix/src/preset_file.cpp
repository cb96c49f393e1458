#include "preset_file.h"

#include <json/reader.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace quorix {
namespace tool {

namespace {

// The deepest nesting of arrays and objects in text, outside strings; stops counting past limit.
int nestingDepth(const std::string& text, int limit) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size() && deepest <= limit; ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;  // the escaped character cannot end the string
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > deepest) deepest = depth;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

}  // namespace

bool parsePreset(const std::string& text, Json::Value& settings, std::string& error) {
    if (text.size() > kPresetMaxBytes) {
        error = "larger than " + std::to_string(kPresetMaxBytes) + " bytes; not a preset";
        return false;
    }
    if (nestingDepth(text, kPresetMaxDepth) > kPresetMaxDepth) {
        error = "not a preset: JSON nested deeper than " + std::to_string(kPresetMaxDepth) + " levels";
        return false;
    }
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    builder["rejectDupKeys"] = true;
    builder["stackLimit"] = kPresetMaxDepth + 1;
    Json::Value document;
    std::string errors;
    try {
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        if (!reader->parse(text.data(), text.data() + text.size(), &document, &errors)) {
            error = "not JSON: " + errors.substr(0, errors.find('\n'));
            return false;
        }
    } catch (const std::exception& e) {
        error = std::string("not JSON: ") + e.what();
        return false;
    }
    const Json::Value* found = document.isObject() ? document.find("settings", "settings" + 8) : nullptr;
    const Json::Value& candidate = found ? *found : document;
    if (!candidate.isObject()) {
        error = "the settings must be a JSON object";
        return false;
    }
    settings = candidate;
    return true;
}

bool readPresetFile(const std::string& path, Json::Value& settings, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    std::string text;
    if (file) {
        // One byte more than allowed is enough to refuse it.
        text.resize(kPresetMaxBytes + 1);
        file.read(&text[0], static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(file.gcount()));
    }
    if (!file && !file.eof()) {
        error = path + ": cannot be read";
        return false;
    }
    if (!parsePreset(text, settings, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace tool
}  // namespace quorix
