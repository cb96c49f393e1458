#pragma once

// The settings that are one camera parameter each. Both operations of a setting are derived from its
// catalogue row: the setter checks the range and sends the value, the getter reads and converts it. The row's
// gate is applied by the device layer before either operation runs.

#include <optional>
#include <type_traits>

#include "quorix/Settings.h"
#include "settings/catalogue.h"
#include "settings/parameter_access.h"
#include "settings/parameter_range.h"

namespace norvik {
namespace settings {

// The type a value travels as: enumerations as their numeric value, the rest as themselves.
template <typename T, bool = std::is_enum_v<T>>
struct WireOf {
    using type = T;
};
template <typename T>
struct WireOf<T, true> {
    using type = std::underlying_type_t<T>;
};

// A catalogue row that is one camera parameter, with the public value type T, which also fixes the value's
// type on the wire.
template <typename T>
struct ScalarSetting {
    using Value = T;
    using Wire = typename WireOf<T>::type;

    const Setting& row;

    const char* key() const { return row.parameters.data[0]; }
    // The range the setter checks; enumerations and switches have none (the camera alone judges them).
    std::optional<ParameterRange<Wire>> range() const {
        if constexpr (std::is_same_v<Wire, double>) {
            if (row.kind == Kind::Real) return ParameterRange<Wire>{row.min, row.max};
        } else if constexpr (std::is_same_v<Wire, std::int32_t>) {
            if (row.kind == Kind::Integer)
                return ParameterRange<Wire>{static_cast<Wire>(row.min), static_cast<Wire>(row.max)};
        }
        return std::nullopt;
    }
};

namespace scalars {

using ExposureMode = api::Scanning2DSettings::Scan2DExposureMode;
using OutlierFilter = api::PointCloudProcessingSettings::CloudOutlierFilterMode;
using Smoothing = api::PointCloudProcessingSettings::CloudSmoothMode;
using FringeCoding = api::ProjectorSettings::FringeCodingMode;
using PowerLevel = api::ProjectorSettings::PowerLevel;
using AntiFlicker = api::ProjectorSettings::AntiFlickerMode;
using VelaCapture = api::VelaSettings::VelaCaptureMode;
using VelaFringe = api::VelaSettings::VelaFringeCodingMode;

// clang-format off
inline constexpr ScalarSetting<ExposureMode>  kScan2DExposureMode        {rows::kScan2DExposureMode};
inline constexpr ScalarSetting<double>        kScan2DExposureTime        {rows::kScan2DExposureTime};
inline constexpr ScalarSetting<int>           kScan2DExpectedGrayValue   {rows::kScan2DExpectedGrayValue};
inline constexpr ScalarSetting<bool>          kScan2DToneMappingEnable   {rows::kScan2DToneMappingEnable};
inline constexpr ScalarSetting<double>        kScan2DSharpenFactor       {rows::kScan2DSharpenFactor};
inline constexpr ScalarSetting<double>        kScan3DGain                {rows::kScan3DGain};
inline constexpr ScalarSetting<int>           kFringeContrastThreshold   {rows::kFringeContrastThreshold};
inline constexpr ScalarSetting<int>           kFringeMinThreshold        {rows::kFringeMinThreshold};
inline constexpr ScalarSetting<OutlierFilter> kCloudOutlierFilterMode    {rows::kCloudOutlierFilterMode};
inline constexpr ScalarSetting<Smoothing>     kCloudSmoothMode           {rows::kCloudSmoothMode};
inline constexpr ScalarSetting<FringeCoding>  kProjectorFringeCodingMode {rows::kProjectorFringeCodingMode};
inline constexpr ScalarSetting<PowerLevel>    kProjectorPowerLevel       {rows::kProjectorPowerLevel};
inline constexpr ScalarSetting<AntiFlicker>   kProjectorAntiFlickerMode  {rows::kProjectorAntiFlickerMode};
inline constexpr ScalarSetting<VelaCapture>   kVelaCaptureMode           {rows::kVelaCaptureMode};
inline constexpr ScalarSetting<VelaFringe>    kVelaFringeCodingMode      {rows::kVelaFringeCodingMode};
// clang-format on

}  // namespace scalars

// Success, or WriteError with the range message when the value is outside the setting's range.
template <typename T>
api::ErrorStatus checkScalar(const ScalarSetting<T>& setting, T value) {
    using Wire = typename ScalarSetting<T>::Wire;
    if constexpr (!std::is_same_v<Wire, bool>) {  // a switch has no range
        const auto wire = static_cast<Wire>(value);
        if (const auto range = setting.range(); range && !inRange(wire, *range))
            return {api::WriteError, rangeErrorMessage(setting.key(), *range)};
    }
    return {};
}

template <typename T>
api::ErrorStatus writeScalar(transport::CommandClient& client, const ScalarSetting<T>& setting, T value) {
    if (auto s = checkScalar(setting, value); !s.isOk()) return s;
    return setParameter(client, setting.key(), static_cast<typename ScalarSetting<T>::Wire>(value));
}

template <typename T>
api::ErrorStatus readScalar(transport::CommandClient& client, const ScalarSetting<T>& setting, T& out) {
    typename ScalarSetting<T>::Wire wire{};
    api::ErrorStatus status = readParameter(client, setting.key(), wire);
    if (status.isOk()) {
        out = static_cast<T>(wire);
    } else if (setting.row.onReadFailure == OnReadFailure::WriteZero) {
        out = T{};
    }
    return status;
}

}  // namespace settings
}  // namespace norvik
