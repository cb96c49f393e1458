#pragma once

// Parsing JSON text read from files: bounded, and without exceptions.

#include <json/value.h>

#include <string>

namespace norvik {
namespace files {

// Parses text as one JSON document into value. False with a sentence in error (without the file's name)
// when it is not JSON, when it is nested deeper than maxNesting arrays and objects (refused before the
// parser sees it: deep nesting exhausts the parser's stack), or when the parser fails in any other way.
bool parseJsonText(const std::string& text, int maxNesting, Json::Value& value, std::string& error);

}  // namespace files
}  // namespace norvik
