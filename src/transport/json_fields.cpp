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

// JsonCpp's integer conversions throw for an integer that does not fit and for a real outside [lo, hi]
// (and truncating 2^63 into a 64-bit integer is undefined): check the same before converting.
template <typename T>
struct IntegerKind;
template <>
struct IntegerKind<std::int32_t> {
    static bool fits(const Json::Value& v) { return v.isInt(); }
    static std::int32_t as(const Json::Value& v) { return v.asInt(); }
    static constexpr double lo = -2147483648.0, hi = 2147483647.0;
};
template <>
struct IntegerKind<std::int64_t> {
    static bool fits(const Json::Value& v) { return v.isInt64(); }
    static std::int64_t as(const Json::Value& v) { return v.asInt64(); }
    static constexpr double lo = -9223372036854775808.0, hi = 9223372036854774784.0;  // below 2^63
};
template <>
struct IntegerKind<std::uint64_t> {
    static bool fits(const Json::Value& v) { return v.isUInt64(); }
    static std::uint64_t as(const Json::Value& v) { return v.asUInt64(); }
    static constexpr double lo = 0.0, hi = 18446744073709549568.0;  // below 2^64
};

template <typename T>
bool readInteger(const Json::Value& value, T& out) {
    using Kind = IntegerKind<T>;
    switch (value.type()) {
        case Json::nullValue:
        case Json::booleanValue:
            break;
        case Json::intValue:
        case Json::uintValue:
            if (!Kind::fits(value)) return false;
            break;
        case Json::realValue:
            if (!realInRange(value.asDouble(), Kind::lo, Kind::hi)) return false;
            break;
        default:
            return false;
    }
    out = Kind::as(value);
    return true;
}

}  // namespace

bool readValue(const Json::Value& value, std::int32_t& out) { return readInteger(value, out); }
bool readValue(const Json::Value& value, std::int64_t& out) { return readInteger(value, out); }
bool readValue(const Json::Value& value, std::uint64_t& out) { return readInteger(value, out); }

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
