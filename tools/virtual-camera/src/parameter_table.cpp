#include "parameter_table.h"

#include <cmath>
#include <cstdint>
#include <sstream>

#include "hdr_sequence.h"
#include "transport/protocol_names.h"

namespace quorix {
namespace virtualcam {

namespace p = norvik::protocol::parameter;
namespace member = norvik::protocol::member;

namespace {

constexpr int kFlash = 3;

ParameterRow integer(const char* name, int min, int max, int value) {
    return {name, ParameterKind::Integer, double(min), double(max), {}, Json::Value(value), RegionOf::None};
}
ParameterRow real(const char* name, double min, double max, double value) {
    return {name, ParameterKind::Real, min, max, {}, Json::Value(value), RegionOf::None};
}
ParameterRow enumeration(const char* name, std::vector<int> choices, int value) {
    return {name, ParameterKind::Enumeration, 0, 0, std::move(choices), Json::Value(value), RegionOf::None};
}
ParameterRow region(const char* name, RegionOf of) {
    return {name, ParameterKind::Region, 0, 0, {}, Json::Value(), of};
}

std::vector<ParameterRow> makeTable() {
    return {
        enumeration(p::Scan2DExposureMode, {0, 1, 2, 3}, 0),  // Timed, Auto, HDR, Flash
        real(p::Scan2DExposureTime, 0.1, 999, 20.0),
        {p::Scan2DHDRExposureSequence,
         ParameterKind::Text,
         0,
         0,
         {},
         Json::Value("10ms,20ms,40ms"),
         RegionOf::None},
        integer(p::Scan2DExpectedGrayValue, 0, 255, 100),
        {p::Scan2DToneMappingEnable, ParameterKind::Boolean, 0, 0, {}, Json::Value(false), RegionOf::None},
        real(p::Scan2DSharpenFactor, 0.0, 5.0, 0.0),
        region(p::Scan2DROI, RegionOf::Color),
        {p::Scan3DExposureCount,
         ParameterKind::Unsigned,
         1,
         3,
         {},
         Json::Value(Json::UInt(1)),
         RegionOf::None},
        real(p::Scan3DExposureTime, 0.1, 99, 8.0),
        real(p::Scan3DExposureTime2, 0.1, 99, 16.0),
        real(p::Scan3DExposureTime3, 0.1, 99, 32.0),
        real(p::Scan3DGain, 0.0, 16.0, 1.0),
        region(p::Scan3DROI, RegionOf::Depth),
        integer(p::DepthLowerLimit, 1, 4000, 300),
        integer(p::DepthUpperLimit, 1, 5000, 2500),
        integer(p::FringeContrastThreshold, 1, 100, 5),
        integer(p::FringeMinThreshold, 1, 100, 3),
        enumeration(p::CloudOutlierFilterMode, {0, 1, 2}, 1),  // Off, Weak, Normal
        enumeration(p::CloudSmoothMode, {0, 1, 2, 3}, 1),      // Off, Weak, Normal, Strong
        enumeration(p::ProjectorFringeCodingMode, {0, 1}, 0),  // Fast, Accurate
        enumeration(p::ProjectorPowerLevel, {0, 1, 2}, 0),     // High, Normal, Low
        enumeration(p::AntiFlickerMode, {0, 1, 2}, 0),         // Off, AC50Hz, AC60Hz
        integer(p::LaserFrameAmplitude, 25, 100, 100),
        integer(p::LaserFrameOffset, -37, 37, 0),
        integer(p::LaserFramePartitionCount, 1, 4, 1),
        integer(p::LaserPowerLevel, 20, 100, 100),
        enumeration(p::LaserFringeCodingMode, {0, 1}, 0),  // fast, accurate
        enumeration(p::VelaCaptureMode, {0, 1}, 0),        // Standard, HighResolution
        enumeration(p::FringeCodingMode, {0, 1}, 0),       // Fast, Accurate
    };
}

std::string numberText(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string rangeText(const ParameterRow& row) {
    return numberText(row.min) + " to " + numberText(row.max);
}

std::string wrongType(const ParameterRow& row, const char* expected) {
    return std::string("Wrong type for ") + row.name + ": expected " + expected + ".";
}

std::string outOfRange(const ParameterRow& row, const std::string& value) {
    return "Value " + value + " is out of range for " + row.name + " (" + rangeText(row) + ").";
}

bool isJsonInteger(const Json::Value& value) {
    return value.type() == Json::intValue || value.type() == Json::uintValue;
}

Json::Value wholeImage(ImageSize size) {
    Json::Value roi(Json::objectValue);
    roi[member::RoiX] = Json::UInt(0);
    roi[member::RoiY] = Json::UInt(0);
    roi[member::RoiWidth] = Json::UInt(size.width);
    roi[member::RoiHeight] = Json::UInt(size.height);
    return roi;
}

std::string checkRegion(const ParameterRow& row, const Json::Value& value, ImageSize image,
                        Json::Value& normalized) {
    static const char* const kMembers[] = {member::RoiX, member::RoiY, member::RoiWidth, member::RoiHeight};
    const std::string shape = "an object with the unsigned integers X, Y, Width and Height";
    if (!value.isObject() || value.size() != 4) return wrongType(row, shape.c_str());
    std::int64_t v[4];
    for (int i = 0; i < 4; ++i) {
        const Json::Value* m =
            value.find(kMembers[i], kMembers[i] + std::char_traits<char>::length(kMembers[i]));
        if (m == nullptr || !isJsonInteger(*m) || !m->isUInt()) return wrongType(row, shape.c_str());
        v[i] = m->asUInt();
    }
    if (v[0] + v[2] > image.width || v[1] + v[3] > image.height) {
        return std::string(row.name) + " exceeds the image of " + std::to_string(image.width) + " x " +
               std::to_string(image.height) + " pixels.";
    }
    normalized = Json::Value(Json::objectValue);
    for (int i = 0; i < 4; ++i) normalized[kMembers[i]] = Json::UInt(v[i]);
    return {};
}

}  // namespace

const std::vector<ParameterRow>& parameterTable() {
    static const std::vector<ParameterRow> table = makeTable();
    return table;
}

const ParameterRow* findParameter(const std::string& name) {
    for (const auto& row : parameterTable())
        if (name == row.name) return &row;
    return nullptr;
}

Json::Value defaultParameters(const ParameterContext& context) {
    Json::Value params(Json::objectValue);
    for (const auto& row : parameterTable()) {
        if (row.kind == ParameterKind::Region)
            params[row.name] =
                wholeImage(row.region == RegionOf::Color ? context.colorSize : context.depthSize);
        else
            params[row.name] = row.defaultValue;
    }
    return params;
}

std::string checkParameter(const ParameterRow& row, const Json::Value& value, const ParameterContext& context,
                           Json::Value& normalized) {
    switch (row.kind) {
        case ParameterKind::Integer:
        case ParameterKind::Enumeration: {
            if (!isJsonInteger(value) || !value.isInt()) return wrongType(row, "an integer");
            const int v = value.asInt();
            if (row.kind == ParameterKind::Integer) {
                if (v < row.min || v > row.max) return outOfRange(row, std::to_string(v));
            } else {
                bool known = false;
                std::string valid;
                for (int c : row.choices) {
                    known = known || c == v;
                    valid += (valid.empty() ? "" : ", ") + std::to_string(c);
                }
                if (!known)
                    return "Value " + std::to_string(v) + " is not valid for " + row.name +
                           " (valid: " + valid + ").";
                if (row.name == std::string(p::Scan2DExposureMode) && v == kFlash && !context.hasFlash)
                    return "Flash exposure is not supported by this camera model.";
            }
            normalized = Json::Value(v);
            return {};
        }
        case ParameterKind::Unsigned: {
            if (!isJsonInteger(value) || !value.isUInt64()) return wrongType(row, "an unsigned integer");
            const Json::UInt64 v = value.asUInt64();
            if (double(v) < row.min || double(v) > row.max) return outOfRange(row, std::to_string(v));
            normalized = Json::Value(Json::UInt(v));
            return {};
        }
        case ParameterKind::Real: {
            if (!value.isNumeric() || value.isBool()) return wrongType(row, "a number");
            const double v = value.asDouble();
            if (!std::isfinite(v) || v < row.min || v > row.max) return outOfRange(row, numberText(v));
            normalized = Json::Value(v);
            return {};
        }
        case ParameterKind::Boolean:
            if (!value.isBool()) return wrongType(row, "true or false");
            normalized = value;
            return {};
        case ParameterKind::Text: {
            if (!value.isString()) return wrongType(row, "a text");
            std::vector<double> times;
            std::string error;
            if (!parseHdrSequence(value.asString(), times, error)) return error;
            normalized = value;
            return {};
        }
        case ParameterKind::Region:
            return checkRegion(row, value,
                               row.region == RegionOf::Color ? context.colorSize : context.depthSize,
                               normalized);
    }
    return "Unsupported parameter kind.";
}

}  // namespace virtualcam
}  // namespace quorix
