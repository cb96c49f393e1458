#include "transport/json_fields.h"

#include <cmath>
#include <limits>

namespace norvik {
namespace transport {

namespace {

// Whether a real number lies in [lo, hi]; NaN does not.
bool realInRange(double d, double lo, double hi) { return d >= lo && d <= hi; }

const Json::Value& nullValue() {
    static const Json::Value null;
    return null;
}

}  // namespace

bool readValue(const Json::Value& value, std::int32_t& out) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
            out = value.asInt();
            return true;
        case Json::intValue:
        case Json::uintValue:
            if (!value.isInt()) return false;
            out = value.asInt();
            return true;
        case Json::realValue:
            if (!realInRange(value.asDouble(), std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max()))
                return false;
            out = value.asInt();
            return true;
        default:
            return false;
    }
}

bool readValue(const Json::Value& value, std::int64_t& out) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
            out = value.asInt64();
            return true;
        case Json::intValue:
        case Json::uintValue:
            if (!value.isInt64()) return false;
            out = value.asInt64();
            return true;
        case Json::realValue:
            // 2^63 itself is not representable, hence the strict upper bound.
            if (!(value.asDouble() >= -9223372036854775808.0 && value.asDouble() < 9223372036854775808.0))
                return false;
            out = value.asInt64();
            return true;
        default:
            return false;
    }
}

bool readValue(const Json::Value& value, std::uint64_t& out) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
            out = value.asUInt64();
            return true;
        case Json::intValue:
        case Json::uintValue:
            if (!value.isUInt64()) return false;
            out = value.asUInt64();
            return true;
        case Json::realValue:
            if (!(value.asDouble() >= 0.0 && value.asDouble() < 18446744073709551616.0)) return false;
            out = value.asUInt64();
            return true;
        default:
            return false;
    }
}

bool readValue(const Json::Value& value, double& out) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
        case Json::intValue:
        case Json::uintValue:
        case Json::realValue:
            out = value.asDouble();
            return true;
        default:
            return false;
    }
}

bool readValue(const Json::Value& value, bool& out) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
        case Json::intValue:
        case Json::uintValue:
            out = value.asBool();
            return true;
        case Json::realValue:
            if (std::isnan(value.asDouble())) return false;
            out = value.asBool();
            return true;
        default:
            return false;
    }
}

bool readValue(const Json::Value& value, std::string& out) {
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
        case Json::intValue:
        case Json::uintValue:
        case Json::realValue:
        case Json::stringValue:
            out = value.asString();
            return true;
        default:
            return false;
    }
}

const Json::Value* findMember(const Json::Value& object, const char* key) {
    if (object.isNull()) return &nullValue();
    if (!object.isObject()) return nullptr;
    const Json::Value* member = object.find(key, key + std::char_traits<char>::length(key));
    return member != nullptr ? member : &nullValue();
}

}  // namespace transport
}  // namespace norvik
