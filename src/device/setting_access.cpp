#include "device/setting_access.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "device/settings_bridge.h"
#include "settings/catalogue.h"
#include "settings/depth_range.h"
#include "settings/exposure_3d.h"
#include "settings/hdr_sequence.h"
#include "settings/laser_settings.h"
#include "settings/roi.h"
#include "settings/scalar_settings.h"

namespace norvik {
namespace device {

namespace {

using api::ErrorStatus;
using api::QuorixDevice;
using Values = std::vector<double>;
namespace s = settings;

std::string numberText(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string enumeratorList(s::ConstList<s::Enumerator> enumerators) {
    std::string text;
    for (const s::Enumerator& e : enumerators)
        text += (text.empty() ? "" : ", ") + std::string(e.name) + " (" + std::to_string(e.value) + ")";
    return text;
}

bool isWhole(double value, double lowest, double highest) {
    return std::floor(value) == value && value >= lowest && value <= highest;
}

constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();

// Whether value is a number of this kind that the typed interface can hold; empty when it is, else why not.
std::string shapeError(const char* what, s::Kind kind, s::ConstList<s::Enumerator> enumerators, double lowest,
                       double highest, double value) {
    switch (kind) {
        case s::Kind::Integer:
            if (!isWhole(value, lowest, highest))
                return std::string(what) + " must be a whole number from " + numberText(lowest) + " to " +
                       numberText(highest) + ".";
            return {};
        case s::Kind::Boolean:
            if (value != 0 && value != 1) return std::string(what) + " must be 0 (false) or 1 (true).";
            return {};
        case s::Kind::Enumeration:
            for (const s::Enumerator& e : enumerators)
                if (value == e.value) return {};
            return std::string(what) + " must be one of " + enumeratorList(enumerators) + ".";
        default:
            if (std::isnan(value)) return std::string(what) + " must be a number.";
            return {};
    }
}

// Success when values has the setting's shape: the right count, and numbers its typed value can hold.
ErrorStatus checkShape(const s::Setting& row, const Values& values) {
    std::string error;
    if (row.kind == s::Kind::Record) {
        if (values.size() != row.fields.size)
            error = std::string(row.name) + " takes " + std::to_string(row.fields.size) + " numbers.";
        // Regions hold unsigned 32-bit numbers, the other records signed ones.
        const bool pixels = row.fitsIn != s::ImageBound::None;
        for (std::size_t i = 0; error.empty() && i < values.size(); ++i) {
            const s::Field& field = row.fields.data[i];
            error = shapeError(field.name, field.kind, field.enumerators, pixels ? 0 : kInt32Min,
                               pixels ? s::limits::kPixelMax : kInt32Max, values[i]);
        }
    } else if (row.kind == s::Kind::RealList) {
        // The count itself is the setting's own check, with its own message.
        for (double value : values)
            if (error.empty()) error = shapeError(row.name, row.kind, {}, 0, 0, value);
    } else if (values.size() != 1) {
        error = std::string(row.name) + " takes one number.";
    } else {
        error = shapeError(row.name, row.kind, row.enumerators, kInt32Min, kInt32Max, values[0]);
    }
    if (error.empty()) return {};
    return {api::WriteError, error};
}

// The operations of one setting on numbers. check runs after the model gate and the shape check.
struct Binding {
    ErrorStatus (*get)(const QuorixDevice&, Values&);
    ErrorStatus (*check)(api::QuorixDeviceImpl&, const Values&);
    ErrorStatus (*set)(const QuorixDevice&, const Values&);
};

template <const auto& Setting, auto Getter, auto Setter>
struct Scalar {
    using Row = std::decay_t<decltype(Setting)>;
    using T = typename Row::Value;
    using Wire = typename Row::Wire;

    static T value(const Values& v) { return static_cast<T>(static_cast<Wire>(v[0])); }
    static ErrorStatus get(const QuorixDevice& device, Values& out) {
        T value{};
        ErrorStatus status = (device.*Getter)(value);
        const bool keeps = status.code == api::UnsupportedModel ||
                           (!status.isOk() && Setting.row.onReadFailure == s::OnReadFailure::KeepOutput);
        if (!keeps) out = {static_cast<double>(static_cast<Wire>(value))};
        return status;
    }
    static ErrorStatus check(api::QuorixDeviceImpl&, const Values& v) {
        return s::checkScalar(Setting, value(v));
    }
    static ErrorStatus set(const QuorixDevice& device, const Values& v) { return (device.*Setter)(value(v)); }
};

template <ErrorStatus (QuorixDevice::*Getter)(api::ROI&) const,
          ErrorStatus (QuorixDevice::*Setter)(const api::ROI&) const, const s::RoiSetting& Setting>
struct Region {
    static api::ROI value(const Values& v) {
        api::ROI roi;
        roi.X = static_cast<std::uint32_t>(v[0]);
        roi.Y = static_cast<std::uint32_t>(v[1]);
        roi.Width = static_cast<std::uint32_t>(v[2]);
        roi.Height = static_cast<std::uint32_t>(v[3]);
        return roi;
    }
    static ErrorStatus get(const QuorixDevice& device, Values& out) {
        api::ROI roi;
        ErrorStatus status = (device.*Getter)(roi);
        out = {double(roi.X), double(roi.Y), double(roi.Width), double(roi.Height)};
        return status;
    }
    static ErrorStatus check(api::QuorixDeviceImpl& impl, const Values& v) {
        api::DeviceResolution sizes;
        if (auto status = impl.fetchDeviceResolution(sizes); !status.isOk()) return status;
        return s::checkRoi(Setting, sizes, value(v));
    }
    static ErrorStatus set(const QuorixDevice& device, const Values& v) { return (device.*Setter)(value(v)); }
};

struct Depth {
    static api::DepthRange value(const Values& v) {
        return {static_cast<std::int32_t>(v[0]), static_cast<std::int32_t>(v[1])};
    }
    static ErrorStatus get(const QuorixDevice& device, Values& out) {
        api::DepthRange range;
        ErrorStatus status = device.getDepthRange(range);
        out = {double(range.depthLowerLimit), double(range.depthUpperLimit)};
        return status;
    }
    static ErrorStatus check(api::QuorixDeviceImpl&, const Values& v) { return s::checkDepthRange(value(v)); }
    static ErrorStatus set(const QuorixDevice& device, const Values& v) {
        return device.setDepthRange(value(v));
    }
};

struct Laser {
    static api::LaserSettings value(const Values& v) {
        api::LaserSettings laser;
        laser.FringeCodingMode = static_cast<std::int32_t>(v[0]);
        laser.FrameRangeStart = static_cast<std::int32_t>(v[1]);
        laser.FrameRangeEnd = static_cast<std::int32_t>(v[2]);
        laser.FramePartitionCount = static_cast<std::int32_t>(v[3]);
        laser.PowerLevel = static_cast<std::int32_t>(v[4]);
        return laser;
    }
    static ErrorStatus get(const QuorixDevice& device, Values& out) {
        api::LaserSettings laser;
        ErrorStatus status = device.getLaserSettings(laser);
        if (status.code == api::UnsupportedModel) return status;
        out = {double(laser.FringeCodingMode), double(laser.FrameRangeStart), double(laser.FrameRangeEnd),
               double(laser.FramePartitionCount), double(laser.PowerLevel)};
        return status;
    }
    static ErrorStatus check(api::QuorixDeviceImpl&, const Values& v) {
        return s::checkLaserSettings(value(v));
    }
    static ErrorStatus set(const QuorixDevice& device, const Values& v) {
        return device.setLaserSettings(value(v));
    }
};

struct Exposure3D {
    static ErrorStatus get(const QuorixDevice& device, Values& out) { return device.getScan3DExposure(out); }
    static ErrorStatus check(api::QuorixDeviceImpl&, const Values& v) { return s::checkScan3DExposure(v); }
    static ErrorStatus set(const QuorixDevice& device, const Values& v) {
        return device.setScan3DExposure(v);
    }
};

struct Hdr {
    static ErrorStatus get(const QuorixDevice& device, Values& out) {
        return device.getScan2DHDRExposureSequence(out);
    }
    static ErrorStatus check(api::QuorixDeviceImpl&, const Values& v) {
        return s::checkScan2DHDRExposureSequence(v);
    }
    static ErrorStatus set(const QuorixDevice& device, const Values& v) {
        Values copy = v;  // the typed setter takes the list by reference
        return device.setScan2DHDRExposureSequence(copy);
    }
};

template <typename Ops>
constexpr Binding bind() {
    return {&Ops::get, &Ops::check, &Ops::set};
}

namespace sc = s::scalars;
using D = QuorixDevice;

// One binding per catalogue row: the row's position in the catalogue picks it.
const Binding* bindingOf(const s::Setting& row) {
    static const struct {
        const s::Setting* row;
        Binding binding;
    } kBindings[] = {
        {&s::rows::kScan2DExposureMode,
         bind<Scalar<sc::kScan2DExposureMode, &D::getScan2DExposureMode, &D::setScan2DExposureMode>>()},
        {&s::rows::kScan2DExposureTime,
         bind<Scalar<sc::kScan2DExposureTime, &D::getScan2DExposureTime, &D::setScan2DExposureTime>>()},
        {&s::rows::kScan2DExpectedGrayValue,
         bind<Scalar<sc::kScan2DExpectedGrayValue, &D::getScan2DExpectedGrayValue,
                     &D::setScan2DExpectedGrayValue>>()},
        {&s::rows::kScan2DToneMappingEnable,
         bind<Scalar<sc::kScan2DToneMappingEnable, &D::getScan2DToneMappingEnable,
                     &D::setScan2DToneMappingEnable>>()},
        {&s::rows::kScan2DSharpenFactor,
         bind<Scalar<sc::kScan2DSharpenFactor, &D::getScan2DSharpenFactor, &D::setScan2DSharpenFactor>>()},
        {&s::rows::kScan2DHDRExposureSequence, bind<Hdr>()},
        {&s::rows::kScan2DROI, bind<Region<&D::getScan2DROI, &D::setScan2DROI, s::kScan2DRoi>>()},
        {&s::rows::kScan3DGain, bind<Scalar<sc::kScan3DGain, &D::getScan3DGain, &D::setScan3DGain>>()},
        {&s::rows::kScan3DExposure, bind<Exposure3D>()},
        {&s::rows::kScan3DROI, bind<Region<&D::getScan3DROI, &D::setScan3DROI, s::kScan3DRoi>>()},
        {&s::rows::kDepthRange, bind<Depth>()},
        {&s::rows::kFringeContrastThreshold,
         bind<Scalar<sc::kFringeContrastThreshold, &D::getFringeContrastThreshold,
                     &D::setFringeContrastThreshold>>()},
        {&s::rows::kFringeMinThreshold,
         bind<Scalar<sc::kFringeMinThreshold, &D::getFringeMinThreshold, &D::setFringeMinThreshold>>()},
        {&s::rows::kCloudOutlierFilterMode,
         bind<Scalar<sc::kCloudOutlierFilterMode, &D::getCloudOutlierFilterMode,
                     &D::setCloudOutlierFilterMode>>()},
        {&s::rows::kCloudSmoothMode,
         bind<Scalar<sc::kCloudSmoothMode, &D::getCloudSmoothMode, &D::setCloudSmoothMode>>()},
        {&s::rows::kProjectorFringeCodingMode,
         bind<Scalar<sc::kProjectorFringeCodingMode, &D::getProjectorFringeCodingMode,
                     &D::setProjectorFringeCodingMode>>()},
        {&s::rows::kProjectorPowerLevel,
         bind<Scalar<sc::kProjectorPowerLevel, &D::getProjectorPowerLevel, &D::setProjectorPowerLevel>>()},
        {&s::rows::kProjectorAntiFlickerMode,
         bind<Scalar<sc::kProjectorAntiFlickerMode, &D::getProjectorAntiFlickerMode,
                     &D::setProjectorAntiFlickerMode>>()},
        {&s::rows::kLaserSettings, bind<Laser>()},
        {&s::rows::kVelaCaptureMode,
         bind<Scalar<sc::kVelaCaptureMode, &D::getVelaCaptureMode, &D::setVelaCaptureMode>>()},
        {&s::rows::kVelaFringeCodingMode,
         bind<Scalar<sc::kVelaFringeCodingMode, &D::getVelaFringeCodingMode, &D::setVelaFringeCodingMode>>()},
    };
    for (const auto& entry : kBindings)
        if (entry.row == &row) return &entry.binding;
    return nullptr;
}

ErrorStatus unknown(std::int32_t code, const std::string& name) {
    return {code, "Unknown setting \"" + name + "\"."};
}

// The model gate of a setter, then the shape of the value.
ErrorStatus admit(api::QuorixDeviceImpl& impl, const s::Setting& row, const Values& values) {
    std::optional<std::int32_t> gatedValue;  // only a single whole number can be refused by value
    if (values.size() == 1 && isWhole(values[0], kInt32Min, kInt32Max))
        gatedValue = static_cast<std::int32_t>(values[0]);
    if (auto status = impl.checkGate(row.gate, s::Access::Write, gatedValue); !status.isOk()) return status;
    return checkShape(row, values);
}

}  // namespace

ErrorStatus getSettingByName(const QuorixDevice& device, const std::string& name, Values& values) {
    const s::Setting* row = s::findSetting(name);
    const Binding* binding = row ? bindingOf(*row) : nullptr;
    if (binding == nullptr) return unknown(api::ReadError, name);
    return binding->get(device, values);
}

ErrorStatus checkSettingByName(api::QuorixDeviceImpl& impl, const std::string& name, const Values& values) {
    const s::Setting* row = s::findSetting(name);
    const Binding* binding = row ? bindingOf(*row) : nullptr;
    if (binding == nullptr) return unknown(api::WriteError, name);
    if (auto status = admit(impl, *row, values); !status.isOk()) return status;
    return binding->check(impl, values);
}

ErrorStatus setSettingByName(const QuorixDevice& device, api::QuorixDeviceImpl& impl, const std::string& name,
                             const Values& values) {
    const s::Setting* row = s::findSetting(name);
    const Binding* binding = row ? bindingOf(*row) : nullptr;
    if (binding == nullptr) return unknown(api::WriteError, name);
    if (auto status = admit(impl, *row, values); !status.isOk()) return status;
    return binding->set(device, values);
}

}  // namespace device
}  // namespace norvik
