#pragma once

// Preset files: {"model": "...", "settings": {"<setting>": <value>, ...}} as `quorix settings --save`
// writes them; a bare object of settings is accepted as well.

#include <json/value.h>

#include <cstddef>
#include <string>

namespace quorix {
namespace tool {

// Deeper nesting than any preset has; deeper text is refused before the JSON reader sees it.
constexpr int kPresetMaxDepth = 32;
// Larger than any preset of every setting by far.
constexpr std::size_t kPresetMaxBytes = 1 << 20;

// The settings object of a preset's text. False with error (one line, no file name) when the text is not
// JSON, too deep or too large, or holds no settings object. Never throws.
bool parsePreset(const std::string& text, Json::Value& settings, std::string& error);

// The same for a file: error then starts with the file's name.
bool readPresetFile(const std::string& path, Json::Value& settings, std::string& error);

}  // namespace tool
}  // namespace quorix
