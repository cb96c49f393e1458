#pragma once

// The one way replies are read: JsonCpp's lenient conversions (a missing member reads as null, which gives
// "", 0, 0.0 or false; a number read as text gives its decimal text), but a value whose type cannot be
// converted is reported instead of thrown.

#include <json/json.h>

#include <cstdint>
#include <string>

namespace norvik {
namespace transport {

// Each returns false, leaving out untouched, when value cannot be converted to the type.
bool readValue(const Json::Value& value, std::int32_t& out);
bool readValue(const Json::Value& value, std::int64_t& out);
bool readValue(const Json::Value& value, std::uint64_t& out);
bool readValue(const Json::Value& value, double& out);
bool readValue(const Json::Value& value, bool& out);
bool readValue(const Json::Value& value, std::string& out);

// The member key of object, or null when object is null or has no such member. Returns nullptr when object
// is neither an object nor null (it cannot have members).
const Json::Value* findMember(const Json::Value& object, const char* key);

// Reads member key of object into out. On failure out is untouched and error says what was wrong.
template <typename T>
bool readMember(const Json::Value& object, const char* key, T& out, std::string& error) {
    const Json::Value* member = findMember(object, key);
    if (member == nullptr) {
        error = std::string("Malformed reply: cannot read member \"") + key +
                "\" of a value that is not an object.";
        return false;
    }
    if (!readValue(*member, out)) {
        error = std::string("Malformed reply: member \"") + key + "\" has an unexpected type.";
        return false;
    }
    return true;
}

}  // namespace transport
}  // namespace norvik
