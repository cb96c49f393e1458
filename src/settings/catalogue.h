#pragma once

// Every capture setting, described once: its name, the camera parameters it is held in, the shape and
// limits of its value, the model feature it needs, what a failed read leaves and what it is for. The
// operations of the settings, the model gate, the public descriptions and the tool are derived from it.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "settings/gate.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

// The shape of a value; the same names as the public SettingKind.
enum class Kind { Integer, Real, Boolean, Enumeration, RealList, Record };

// What a getter leaves in its output when its read fails.
enum class OnReadFailure { WriteZero, KeepOutput, WriteDefaults };

// Which image a region must fit in.
enum class ImageBound { None, Image2D, Image3D };

// A view of a constant array: the rows below refer to arrays defined beside them.
template <typename T>
struct ConstList {
    const T* data = nullptr;
    std::size_t size = 0;

    constexpr ConstList() = default;
    template <std::size_t N>
    constexpr ConstList(const T (&array)[N]) : data(array), size(N) {}
    constexpr const T* begin() const { return data; }
    constexpr const T* end() const { return data + size; }
};

struct Enumerator {
    const char* name;
    std::int32_t value;
};

struct Field {
    const char* name;  // the member of the public record
    Kind kind;         // Integer or Enumeration
    double min;
    double max;
    ConstList<Enumerator> enumerators;
    const char* unit;
    const char* description;
};

// upper - lower must lie within min to max.
struct FieldSpan {
    const char* lower;
    const char* upper;
    double min;
    double max;
};

struct Setting {
    const char* name;                   // the name users know it by (the getter's name without "get")
    ConstList<const char*> parameters;  // the camera parameters that hold it, in the order they are sent
    Kind kind;
    double min;  // Integer and Real: the value; RealList: each element
    double max;
    ConstList<Enumerator> enumerators;  // Enumeration
    std::size_t minCount;               // RealList: how many elements
    std::size_t maxCount;
    ConstList<Field> fields;  // Record, in the order of the public record
    ConstList<FieldSpan> spans;
    ImageBound fitsIn;
    Gate gate;
    OnReadFailure onReadFailure;
    const char* unit;
    const char* description;
    const char* readFailure;  // what a failed read leaves, for people
};

namespace limits {

// The ranges the operations check. They are written here only.
inline constexpr RealRange kScan2DExposureTime{0.1, 999.0};
inline constexpr IntRange kScan2DExpectedGrayValue{0, 255};
inline constexpr RealRange kScan2DSharpenFactor{0.0, 5.0};
inline constexpr RealRange kScan3DGain{0.0, 16.0};
inline constexpr IntRange kFringeThreshold{1, 100};
inline constexpr IntRange kHdrCount{1, 5};
inline constexpr RealRange kHdrTime = kScan2DExposureTime;
inline constexpr IntRange kScan3DExposureCount{1, 3};
inline constexpr RealRange kScan3DExposureTime{0.1, 99.0};
inline constexpr IntRange kDepthLowerLimit{1, 4000};
inline constexpr IntRange kDepthUpperLimit{1, 5000};
inline constexpr IntRange kLaserFrameBound{0, 100};
inline constexpr IntRange kLaserFrameWidth{25, 100};
inline constexpr IntRange kLaserPartitionCount{1, 4};
inline constexpr IntRange kLaserPowerLevel{20, 100};
inline constexpr double kPixelMax = std::numeric_limits<std::uint32_t>::max();

}  // namespace limits

namespace rows {

namespace p = protocol::parameter;
using namespace limits;

// The values of the public enumerations, by name (quorix/Settings.h).
inline constexpr Enumerator kExposureModes[] = {{"Timed", 0}, {"Auto", 1}, {"HDR", 2}, {"Flash", 3}};
inline constexpr Enumerator kOutlierFilterModes[] = {{"Off", 0}, {"Weak", 1}, {"Normal", 2}};
inline constexpr Enumerator kSmoothModes[] = {{"Off", 0}, {"Weak", 1}, {"Normal", 2}, {"Strong", 3}};
inline constexpr Enumerator kFringeCodingModes[] = {{"Fast", 0}, {"Accurate", 1}};
inline constexpr Enumerator kPowerLevels[] = {{"High", 0}, {"Normal", 1}, {"Low", 2}};
inline constexpr Enumerator kAntiFlickerModes[] = {{"Off", 0}, {"AC50Hz", 1}, {"AC60Hz", 2}};
inline constexpr Enumerator kVelaCaptureModes[] = {{"Standard", 0}, {"HighResolution", 1}};

inline constexpr const char* kScan2DExposureModeKeys[] = {p::Scan2DExposureMode};
inline constexpr const char* kScan2DExposureTimeKeys[] = {p::Scan2DExposureTime};
inline constexpr const char* kScan2DExpectedGrayValueKeys[] = {p::Scan2DExpectedGrayValue};
inline constexpr const char* kScan2DToneMappingEnableKeys[] = {p::Scan2DToneMappingEnable};
inline constexpr const char* kScan2DSharpenFactorKeys[] = {p::Scan2DSharpenFactor};
inline constexpr const char* kScan2DHdrKeys[] = {p::Scan2DHDRExposureSequence};
inline constexpr const char* kScan2DRoiKeys[] = {p::Scan2DROI};
inline constexpr const char* kScan3DGainKeys[] = {p::Scan3DGain};
inline constexpr const char* kScan3DExposureKeys[] = {p::Scan3DExposureCount, p::Scan3DExposureTime,
                                                      p::Scan3DExposureTime2, p::Scan3DExposureTime3};
inline constexpr const char* kScan3DRoiKeys[] = {p::Scan3DROI};
inline constexpr const char* kDepthRangeKeys[] = {p::DepthLowerLimit, p::DepthUpperLimit};
inline constexpr const char* kFringeContrastKeys[] = {p::FringeContrastThreshold};
inline constexpr const char* kFringeMinKeys[] = {p::FringeMinThreshold};
inline constexpr const char* kOutlierFilterKeys[] = {p::CloudOutlierFilterMode};
inline constexpr const char* kSmoothKeys[] = {p::CloudSmoothMode};
inline constexpr const char* kProjectorFringeKeys[] = {p::ProjectorFringeCodingMode};
inline constexpr const char* kProjectorPowerKeys[] = {p::ProjectorPowerLevel};
inline constexpr const char* kAntiFlickerKeys[] = {p::AntiFlickerMode};
inline constexpr const char* kLaserKeys[] = {p::LaserFrameAmplitude, p::LaserFrameOffset,
                                             p::LaserFramePartitionCount, p::LaserPowerLevel,
                                             p::LaserFringeCodingMode};
inline constexpr const char* kVelaCaptureKeys[] = {p::VelaCaptureMode};
inline constexpr const char* kVelaFringeKeys[] = {p::FringeCodingMode};

constexpr Field pixels(const char* name, const char* description) {
    return {name, Kind::Integer, 0, kPixelMax, {}, "px", description};
}
inline constexpr Field kRoiFields[] = {
    pixels("X", "column of the left edge"),
    pixels("Y", "row of the top edge"),
    pixels("Width", "width; 0 with a height of 0 selects the whole image"),
    pixels("Height", "height"),
};
inline constexpr Field kDepthRangeFields[] = {
    {"depthLowerLimit",
     Kind::Integer,
     kDepthLowerLimit.min,
     kDepthLowerLimit.max,
     {},
     "mm",
     "nearest depth kept"},
    {"depthUpperLimit",
     Kind::Integer,
     kDepthUpperLimit.min,
     kDepthUpperLimit.max,
     {},
     "mm",
     "farthest depth kept"},
};
inline constexpr FieldSpan kDepthRangeSpans[] = {
    {"depthLowerLimit", "depthUpperLimit", 1, kDepthUpperLimit.max - kDepthLowerLimit.min}};
inline constexpr Field kLaserFields[] = {
    {"FringeCodingMode", Kind::Enumeration, 0, 1, kFringeCodingModes, "", "fringe pattern: fast or accurate"},
    {"FrameRangeStart",
     Kind::Integer,
     kLaserFrameBound.min,
     kLaserFrameBound.max,
     {},
     "%",
     "start of the projected frame range"},
    {"FrameRangeEnd",
     Kind::Integer,
     kLaserFrameBound.min,
     kLaserFrameBound.max,
     {},
     "%",
     "end of the projected frame range"},
    {"FramePartitionCount",
     Kind::Integer,
     kLaserPartitionCount.min,
     kLaserPartitionCount.max,
     {},
     "",
     "number of partitions of the frame"},
    {"PowerLevel", Kind::Integer, kLaserPowerLevel.min, kLaserPowerLevel.max, {}, "%", "laser power"},
};
inline constexpr FieldSpan kLaserSpans[] = {
    {"FrameRangeStart", "FrameRangeEnd", kLaserFrameWidth.min, kLaserFrameWidth.max}};

constexpr auto kZero = OnReadFailure::WriteZero;
constexpr auto kKeep = OnReadFailure::KeepOutput;
constexpr auto kDefaults = OnReadFailure::WriteDefaults;
constexpr auto kNoImage = ImageBound::None;
constexpr Gate kFlash{Capability::FlashExposure, kExposureModes[3].value};
constexpr Gate kAntiFlicker{Capability::AntiFlicker};
constexpr Gate kFringeCoding{Capability::FringeCodingMode};
constexpr Gate kPower{Capability::ProjectorPowerLevel};
constexpr Gate kLaserGate{Capability::LaserSettings};
constexpr Gate kVelaGate{Capability::Vela};
constexpr char kZeroText[] = "0";
constexpr char kKeptText[] = "the output as it was";

constexpr Setting scalar(const char* name, ConstList<const char*> keys, Kind kind, double min, double max,
                         const char* unit, const char* description, Gate gate = kNoGate) {
    return {name, keys, kind,     min,  max,   {},   1,           1,
            {},   {},   kNoImage, gate, kZero, unit, description, kZeroText};
}
constexpr Setting enumeration(const char* name, ConstList<const char*> keys, ConstList<Enumerator> values,
                              const char* description, Gate gate = kNoGate, OnReadFailure failure = kZero) {
    return {name,
            keys,
            Kind::Enumeration,
            0,
            0,
            values,
            1,
            1,
            {},
            {},
            kNoImage,
            gate,
            failure,
            "",
            description,
            failure == kZero ? kZeroText : kKeptText};
}
constexpr Setting region(const char* name, ConstList<const char*> keys, ImageBound image,
                         const char* description) {
    return {name,       keys, Kind::Record, 0,       0,     {},   1,           1,
            kRoiFields, {},   image,        kNoGate, kZero, "px", description, "all four fields 0"};
}
constexpr Setting timeList(const char* name, ConstList<const char*> keys, IntRange count, RealRange time,
                           const char* description, const char* readFailure) {
    return {name,
            keys,
            Kind::RealList,
            time.min,
            time.max,
            {},
            std::size_t(count.min),
            std::size_t(count.max),
            {},
            {},
            kNoImage,
            kNoGate,
            kZero,
            "ms",
            description,
            readFailure};
}

// clang-format off
inline constexpr Setting kScan2DExposureMode = enumeration("Scan2DExposureMode", kScan2DExposureModeKeys, kExposureModes,
    "how the 2D image is exposed (Flash only on models with flash exposure)", kFlash);
inline constexpr Setting kScan2DExposureTime = scalar("Scan2DExposureTime", kScan2DExposureTimeKeys, Kind::Real,
    limits::kScan2DExposureTime.min, limits::kScan2DExposureTime.max, "ms", "exposure time of the 2D image in Timed mode");
inline constexpr Setting kScan2DExpectedGrayValue = scalar("Scan2DExpectedGrayValue", kScan2DExpectedGrayValueKeys,
    Kind::Integer, limits::kScan2DExpectedGrayValue.min, limits::kScan2DExpectedGrayValue.max, "", "brightness the Auto mode aims at");
inline constexpr Setting kScan2DToneMappingEnable = scalar("Scan2DToneMappingEnable", kScan2DToneMappingEnableKeys,
    Kind::Boolean, 0, 1, "", "tone mapping of the 2D image");
inline constexpr Setting kScan2DSharpenFactor = scalar("Scan2DSharpenFactor", kScan2DSharpenFactorKeys, Kind::Real,
    limits::kScan2DSharpenFactor.min, limits::kScan2DSharpenFactor.max, "", "sharpening of the 2D image (0: none)");
inline constexpr Setting kScan2DHDRExposureSequence = timeList("Scan2DHDRExposureSequence", kScan2DHdrKeys, kHdrCount,
    kHdrTime, "exposure times of the 2D image in HDR mode (kept with four significant digits)", "an empty list");
inline constexpr Setting kScan2DROI = region("Scan2DROI", kScan2DRoiKeys, ImageBound::Image2D,
    "region of interest of the 2D image; it must fit in the image");
inline constexpr Setting kScan3DGain = scalar("Scan3DGain", kScan3DGainKeys, Kind::Real, limits::kScan3DGain.min,
    limits::kScan3DGain.max, "", "gain of the depth capture");
inline constexpr Setting kScan3DExposure = timeList("Scan3DExposure", kScan3DExposureKeys, kScan3DExposureCount,
    kScan3DExposureTime, "exposure times of the depth capture, one per exposure", "0 for each time not read");
inline constexpr Setting kScan3DROI = region("Scan3DROI", kScan3DRoiKeys, ImageBound::Image3D,
    "region of interest of the depth image; it must fit in the image");
inline constexpr Setting kDepthRange = {"DepthRange", kDepthRangeKeys, Kind::Record, 0, 0, {}, 1, 1,
    kDepthRangeFields, kDepthRangeSpans, kNoImage, kNoGate, kZero, "mm",
    "depths the camera keeps; the lower limit lies below the upper one", "0 for a limit not read"};
inline constexpr Setting kFringeContrastThreshold = scalar("FringeContrastThreshold", kFringeContrastKeys,
    Kind::Integer, kFringeThreshold.min, kFringeThreshold.max, "", "least fringe contrast of a measured pixel");
inline constexpr Setting kFringeMinThreshold = scalar("FringeMinThreshold", kFringeMinKeys, Kind::Integer,
    kFringeThreshold.min, kFringeThreshold.max, "", "least fringe brightness of a measured pixel");
inline constexpr Setting kCloudOutlierFilterMode = enumeration("CloudOutlierFilterMode", kOutlierFilterKeys,
    kOutlierFilterModes, "how strongly outlying points are removed");
inline constexpr Setting kCloudSmoothMode = enumeration("CloudSmoothMode", kSmoothKeys, kSmoothModes,
    "how strongly the point cloud is smoothed");
inline constexpr Setting kProjectorFringeCodingMode = enumeration("ProjectorFringeCodingMode", kProjectorFringeKeys,
    kFringeCodingModes, "fringe pattern of the projector: fast or accurate", kFringeCoding, kKeep);
inline constexpr Setting kProjectorPowerLevel = enumeration("ProjectorPowerLevel", kProjectorPowerKeys, kPowerLevels,
    "brightness of the projector", kPower, kKeep);
inline constexpr Setting kProjectorAntiFlickerMode = enumeration("ProjectorAntiFlickerMode", kAntiFlickerKeys,
    kAntiFlickerModes, "timing against the flicker of mains-powered lights", kAntiFlicker, kKeep);
inline constexpr Setting kLaserSettings = {"LaserSettings", kLaserKeys, Kind::Record, 0, 0, {}, 1, 1, kLaserFields,
    kLaserSpans, kNoImage, kLaserGate, kDefaults, "",
    "settings of the laser projector; the frame range spans 25 to 100 and may read back one step narrower",
    "defaults for the fields not read: frame range centred on 50, 1 partition, power 20, coding mode 0"};
inline constexpr Setting kVelaCaptureMode = enumeration("VelaCaptureMode", kVelaCaptureKeys, kVelaCaptureModes,
    "capture resolution of the VELA model", kVelaGate);
inline constexpr Setting kVelaFringeCodingMode = enumeration("VelaFringeCodingMode", kVelaFringeKeys,
    kFringeCodingModes, "fringe pattern of the VELA model: fast or accurate", kVelaGate);

inline constexpr const Setting* kAll[] = {
    &kScan2DExposureMode, &kScan2DExposureTime, &kScan2DExpectedGrayValue, &kScan2DToneMappingEnable,
    &kScan2DSharpenFactor, &kScan2DHDRExposureSequence, &kScan2DROI, &kScan3DGain, &kScan3DExposure, &kScan3DROI,
    &kDepthRange, &kFringeContrastThreshold, &kFringeMinThreshold, &kCloudOutlierFilterMode, &kCloudSmoothMode,
    &kProjectorFringeCodingMode, &kProjectorPowerLevel, &kProjectorAntiFlickerMode, &kLaserSettings,
    &kVelaCaptureMode, &kVelaFringeCodingMode,
};
// clang-format on

}  // namespace rows

// Every setting, in an order that groups related ones.
inline constexpr ConstList<const Setting*> kCatalogue{rows::kAll};

// The row named name (exact bytes), or null.
const Setting* findSetting(const std::string& name);

}  // namespace settings
}  // namespace norvik
