#pragma once

// Inclusive value ranges of the settings and the one message that reports a value outside its range.

#include <cstdint>
#include <string>

#include "quorix/Types.h"

namespace norvik {
namespace settings {

template <typename T>
struct ParameterRange {
    T min;
    T max;
};

using IntRange = ParameterRange<std::int32_t>;
using RealRange = ParameterRange<double>;

// Both bounds belong to the range. Written so that NaN fails: it must never reach the camera.
template <typename T>
constexpr bool inRange(T value, const ParameterRange<T>& range) {
    return value >= range.min && value <= range.max;
}

// "The valid <name> parameter range is from <min> to <max>.Please check the input value." Integers in
// plain decimal, reals in fixed notation with six decimals.
std::string rangeErrorMessage(const std::string& name, const IntRange& range);
std::string rangeErrorMessage(const std::string& name, const RealRange& range);

// Success, or WriteError with prefix + the range message when value is outside range.
template <typename T>
api::ErrorStatus checkRange(const std::string& name, T value, const ParameterRange<T>& range,
                            const char* prefix = "") {
    if (inRange(value, range)) return {};
    return {api::WriteError, prefix + rangeErrorMessage(name, range)};
}

}  // namespace settings
}  // namespace norvik
