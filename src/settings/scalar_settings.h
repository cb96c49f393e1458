#pragma once

// The settings that are one camera parameter each, one row per setting. Both operations of a setting are
// derived from its row: the setter checks the range and sends the value, the getter reads and converts it.
// The row's gate is applied by the device layer before either operation runs.

#include <optional>
#include <type_traits>

#include "quorix/Settings.h"
#include "settings/gate.h"
#include "settings/parameter_access.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

// What a getter leaves in its output when its read fails.
enum class OnReadFailure { WriteZero, KeepOutput };

// The type a value travels as: enumerations as their numeric value, the rest as themselves.
template <typename T, bool = std::is_enum_v<T>>
struct WireOf {
    using type = T;
};
template <typename T>
struct WireOf<T, true> {
    using type = std::underlying_type_t<T>;
};

// T is the public value type, which also fixes the value kind on the wire.
template <typename T>
struct ScalarSetting {
    using Wire = typename WireOf<T>::type;

    const char* key;
    std::optional<ParameterRange<Wire>> range;  // none: the camera alone judges the value
    Gate gate;
    OnReadFailure onReadFailure;
};

namespace rows {

namespace p = protocol::parameter;
using ExposureMode = api::Scanning2DSettings::Scan2DExposureMode;
using OutlierFilter = api::PointCloudProcessingSettings::CloudOutlierFilterMode;
using Smoothing = api::PointCloudProcessingSettings::CloudSmoothMode;
using FringeCoding = api::ProjectorSettings::FringeCodingMode;
using PowerLevel = api::ProjectorSettings::PowerLevel;
using AntiFlicker = api::ProjectorSettings::AntiFlickerMode;
using VelaCapture = api::VelaSettings::VelaCaptureMode;
using VelaFringe = api::VelaSettings::VelaFringeCodingMode;

constexpr auto kZero = OnReadFailure::WriteZero;
constexpr auto kKeep = OnReadFailure::KeepOutput;
constexpr std::nullopt_t kAny = std::nullopt;
constexpr Gate kFlash{std::nullopt, static_cast<std::int32_t>(ExposureMode::Flash)};
constexpr Gate kAntiFlicker{Capability::AntiFlicker};
constexpr Gate kFringeCoding{Capability::FringeCodingMode};
constexpr Gate kPower{Capability::ProjectorPowerLevel};

// clang-format off
//                              value type     row                         key                            range                  gate           on read failure
inline constexpr ScalarSetting<ExposureMode>  kScan2DExposureMode        {p::Scan2DExposureMode,        kAny,                  kFlash,        kZero};
inline constexpr ScalarSetting<double>        kScan2DExposureTime        {p::Scan2DExposureTime,        RealRange{0.1, 999.0}, kNoGate,       kZero};
inline constexpr ScalarSetting<int>           kScan2DExpectedGrayValue   {p::Scan2DExpectedGrayValue,   IntRange{0, 255},      kNoGate,       kZero};
inline constexpr ScalarSetting<bool>          kScan2DToneMappingEnable   {p::Scan2DToneMappingEnable,   kAny,                  kNoGate,       kZero};
inline constexpr ScalarSetting<double>        kScan2DSharpenFactor       {p::Scan2DSharpenFactor,       RealRange{0.0, 5.0},   kNoGate,       kZero};
inline constexpr ScalarSetting<double>        kScan3DGain                {p::Scan3DGain,                RealRange{0.0, 16.0},  kNoGate,       kZero};
inline constexpr ScalarSetting<int>           kFringeContrastThreshold   {p::FringeContrastThreshold,   IntRange{1, 100},      kNoGate,       kZero};
inline constexpr ScalarSetting<int>           kFringeMinThreshold        {p::FringeMinThreshold,        IntRange{1, 100},      kNoGate,       kZero};
inline constexpr ScalarSetting<OutlierFilter> kCloudOutlierFilterMode    {p::CloudOutlierFilterMode,    kAny,                  kNoGate,       kZero};
inline constexpr ScalarSetting<Smoothing>     kCloudSmoothMode           {p::CloudSmoothMode,           kAny,                  kNoGate,       kZero};
inline constexpr ScalarSetting<FringeCoding>  kProjectorFringeCodingMode {p::ProjectorFringeCodingMode, kAny,                  kFringeCoding, kKeep};
inline constexpr ScalarSetting<PowerLevel>    kProjectorPowerLevel       {p::ProjectorPowerLevel,       kAny,                  kPower,        kKeep};
inline constexpr ScalarSetting<AntiFlicker>   kProjectorAntiFlickerMode  {p::AntiFlickerMode,           kAny,                  kAntiFlicker,  kKeep};
inline constexpr ScalarSetting<VelaCapture>   kVelaCaptureMode           {p::VelaCaptureMode,           kAny,                  kVelaGate,     kZero};
inline constexpr ScalarSetting<VelaFringe>    kVelaFringeCodingMode      {p::FringeCodingMode,          kAny,                  kVelaGate,     kZero};
// clang-format on

}  // namespace rows

template <typename T>
api::ErrorStatus writeScalar(transport::CommandClient& client, const ScalarSetting<T>& setting, T value) {
    using Wire = typename ScalarSetting<T>::Wire;
    const auto wire = static_cast<Wire>(value);
    if constexpr (!std::is_same_v<Wire, bool>) {  // a switch has no range
        if (setting.range && !inRange(wire, *setting.range))
            return {api::WriteError, rangeErrorMessage(setting.key, *setting.range)};
    }
    return setParameter(client, setting.key, wire);
}

template <typename T>
api::ErrorStatus readScalar(transport::CommandClient& client, const ScalarSetting<T>& setting, T& out) {
    typename ScalarSetting<T>::Wire wire{};
    api::ErrorStatus status = readParameter(client, setting.key, wire);
    if (status.isOk()) {
        out = static_cast<T>(wire);
    } else if (setting.onReadFailure == OnReadFailure::WriteZero) {
        out = T{};
    }
    return status;
}

}  // namespace settings
}  // namespace norvik
