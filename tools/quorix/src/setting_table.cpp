#include "setting_table.h"

#include <json/reader.h>

#include <strings.h>
#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

namespace quorix {
namespace tool {

namespace api = norvik::api;
using Device = api::QuorixDevice;

namespace {

std::string rangeText(double lo, double hi) {
    std::ostringstream text;
    text << lo << " to " << hi;
    return text.str();
}

std::string checkNumber(const Json::Value& v, double lo, double hi, bool integer) {
    if (!v.isNumeric() ||
        (integer && !(v.isIntegral() || (v.isDouble() && std::floor(v.asDouble()) == v.asDouble()))))
        return integer ? "must be an integer" : "must be a number";
    const double x = v.asDouble();
    if (!(x >= lo && x <= hi)) return "must be " + rangeText(lo, hi);
    return {};
}

SettingRow doubleRow(const std::string& key, api::ErrorStatus (Device::*getter)(double&) const,
                     api::ErrorStatus (Device::*setter)(double) const, double lo, double hi) {
    return {key, "number, " + rangeText(lo, hi),
            [getter](const Device& d, Json::Value& out) {
                double x = 0;
                api::ErrorStatus s = (d.*getter)(x);
                out = x;
                return s;
            },
            [lo, hi](const Json::Value& v, const api::DeviceResolution&) {
                return checkNumber(v, lo, hi, false);
            },
            [setter](const Device& d, const Json::Value& v) { return (d.*setter)(v.asDouble()); }};
}

SettingRow intRow(const std::string& key, api::ErrorStatus (Device::*getter)(int&) const,
                  api::ErrorStatus (Device::*setter)(int) const, int lo, int hi) {
    return {
        key, "integer, " + rangeText(lo, hi),
        [getter](const Device& d, Json::Value& out) {
            int x = 0;
            api::ErrorStatus s = (d.*getter)(x);
            out = x;
            return s;
        },
        [lo, hi](const Json::Value& v, const api::DeviceResolution&) { return checkNumber(v, lo, hi, true); },
        [setter](const Device& d, const Json::Value& v) {
            return (d.*setter)(static_cast<int>(v.asDouble()));
        }};
}

SettingRow boolRow(const std::string& key, api::ErrorStatus (Device::*getter)(bool&) const,
                   api::ErrorStatus (Device::*setter)(bool) const) {
    return {key, "true or false",
            [getter](const Device& d, Json::Value& out) {
                bool x = false;
                api::ErrorStatus s = (d.*getter)(x);
                out = x;
                return s;
            },
            [](const Json::Value& v, const api::DeviceResolution&) {
                return v.isBool() ? std::string() : std::string("must be true or false");
            },
            [setter](const Device& d, const Json::Value& v) { return (d.*setter)(v.asBool()); }};
}

// An enumerator by its name (any case) or its number; -1 when it is neither.
int enumIndex(const Json::Value& v, const std::vector<std::string>& names) {
    if (v.isString()) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (strcasecmp(v.asCString(), names[i].c_str()) == 0) return static_cast<int>(i);
        return -1;
    }
    if (v.isIntegral() && v.asLargestInt() >= 0 &&
        v.asLargestInt() < static_cast<Json::LargestInt>(names.size()))
        return static_cast<int>(v.asLargestInt());
    return -1;
}

template <typename E>
SettingRow enumRow(const std::string& key, api::ErrorStatus (Device::*getter)(E&) const,
                   api::ErrorStatus (Device::*setter)(E) const, std::vector<std::string> names) {
    std::string help;
    for (std::size_t i = 0; i < names.size(); ++i)
        help += (i ? ", " : "") + names[i] + " (" + std::to_string(i) + ")";
    return {key, help,
            [getter, names](const Device& d, Json::Value& out) {
                E x{};
                api::ErrorStatus s = (d.*getter)(x);
                const auto n = static_cast<std::int32_t>(x);
                out = (n >= 0 && n < static_cast<std::int32_t>(names.size())) ? Json::Value(names[n])
                                                                              : Json::Value(n);
                return s;
            },
            [names, help](const Json::Value& v, const api::DeviceResolution&) {
                return enumIndex(v, names) < 0 ? "must be one of " + help : std::string();
            },
            [setter, names](const Device& d, const Json::Value& v) {
                return (d.*setter)(static_cast<E>(enumIndex(v, names)));
            }};
}

// Integer members of an object, or the same as an array in the order of names.
bool readIntegers(const Json::Value& v, const std::vector<std::string>& names, std::vector<double>& out) {
    out.clear();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Json::Value& x =
            v.isObject() ? v.get(names[i], Json::Value())
                         : (v.isArray() && v.size() == names.size() ? v[Json::ArrayIndex(i)] : Json::Value());
        if (!x.isNumeric() || std::floor(x.asDouble()) != x.asDouble()) return false;
        out.push_back(x.asDouble());
    }
    return true;
}

const std::vector<std::string> kRoiNames = {"X", "Y", "Width", "Height"};

SettingRow roiRow(const std::string& key, api::ErrorStatus (Device::*getter)(api::ROI&) const,
                  api::ErrorStatus (Device::*setter)(const api::ROI&) const, bool is2D) {
    return {key, "X,Y,Width,Height in pixels (0,0,0,0: the whole image)",
            [getter](const Device& d, Json::Value& out) {
                api::ROI r;
                api::ErrorStatus s = (d.*getter)(r);
                out = Json::Value(Json::objectValue);
                out["X"] = r.X, out["Y"] = r.Y, out["Width"] = r.Width, out["Height"] = r.Height;
                return s;
            },
            [is2D](const Json::Value& v, const api::DeviceResolution& size) {
                std::vector<double> n;
                if (!readIntegers(v, kRoiNames, n)) return std::string("must be X,Y,Width,Height (integers)");
                const double w = is2D ? size.image2DWidth : size.image3DWidth;
                const double h = is2D ? size.image2DHeight : size.image3DHeight;
                for (double x : n)
                    if (x < 0) return std::string("must not be negative");
                if (n[0] + n[2] > w || n[1] + n[3] > h)
                    return "must fit in the " + rangeText(w, h) + " image";
                return std::string();
            },
            [setter](const Device& d, const Json::Value& v) {
                std::vector<double> n;
                readIntegers(v, kRoiNames, n);
                api::ROI r;
                r.X = std::uint32_t(n[0]), r.Y = std::uint32_t(n[1]), r.Width = std::uint32_t(n[2]),
                r.Height = std::uint32_t(n[3]);
                return (d.*setter)(r);
            }};
}

const std::vector<std::string> kRangeNames = {"depthLowerLimit", "depthUpperLimit"};

SettingRow depthRangeRow() {
    return {"DepthRange", "LOWER,UPPER in millimetres (lower 1 to 4000, upper 1 to 5000, lower below upper)",
            [](const Device& d, Json::Value& out) {
                api::DepthRange r;
                api::ErrorStatus s = d.getDepthRange(r);
                out = Json::Value(Json::objectValue);
                out[kRangeNames[0]] = r.depthLowerLimit, out[kRangeNames[1]] = r.depthUpperLimit;
                return s;
            },
            [](const Json::Value& v, const api::DeviceResolution&) {
                std::vector<double> n;
                if (!readIntegers(v, kRangeNames, n)) return std::string("must be LOWER,UPPER (integers)");
                if (n[0] < 1 || n[0] > 4000) return std::string("lower limit must be 1 to 4000");
                if (n[1] < 1 || n[1] > 5000) return std::string("upper limit must be 1 to 5000");
                if (n[0] >= n[1]) return std::string("lower limit must be below the upper limit");
                return std::string();
            },
            [](const Device& d, const Json::Value& v) {
                std::vector<double> n;
                readIntegers(v, kRangeNames, n);
                return d.setDepthRange(api::DepthRange{std::int32_t(n[0]), std::int32_t(n[1])});
            }};
}

SettingRow listRow(const std::string& key, api::ErrorStatus (Device::*getter)(std::vector<double>&) const,
                   std::function<api::ErrorStatus(const Device&, std::vector<double>&)> setter,
                   Json::ArrayIndex most, double lo, double hi) {
    const std::string help = "1 to " + std::to_string(most) + " times in ms, each " + rangeText(lo, hi);
    return {key, help,
            [getter](const Device& d, Json::Value& out) {
                std::vector<double> times;
                api::ErrorStatus s = (d.*getter)(times);
                out = Json::Value(Json::arrayValue);
                for (double t : times) out.append(t);
                return s;
            },
            [most, lo, hi, help](const Json::Value& v, const api::DeviceResolution&) {
                const Json::Value list = v.isArray() ? v : Json::Value(Json::arrayValue).append(v);
                if (list.empty() || list.size() > most) return "must be " + help;
                for (const auto& t : list)
                    if (!checkNumber(t, lo, hi, false).empty()) return "must be " + help;
                return std::string();
            },
            [setter](const Device& d, const Json::Value& v) {
                std::vector<double> times;
                if (v.isArray())
                    for (const auto& t : v) times.push_back(t.asDouble());
                else
                    times.push_back(v.asDouble());
                return setter(d, times);
            }};
}

const std::vector<std::string> kLaserNames = {"FringeCodingMode", "FrameRangeStart", "FrameRangeEnd",
                                              "FramePartitionCount", "PowerLevel"};

SettingRow laserRow() {
    return {"LaserSettings",
            "MODE,START,END,PARTITIONS,POWER (mode 0 fast or 1 accurate; frame range 0 to 100 spanning 25 to "
            "100; "
            "1 to 4 partitions; power 20 to 100)",
            [](const Device& d, Json::Value& out) {
                api::LaserSettings l;
                api::ErrorStatus s = d.getLaserSettings(l);
                out = Json::Value(Json::objectValue);
                const std::int32_t values[5] = {l.FringeCodingMode, l.FrameRangeStart, l.FrameRangeEnd,
                                                l.FramePartitionCount, l.PowerLevel};
                for (int i = 0; i < 5; ++i) out[kLaserNames[i]] = values[i];
                return s;
            },
            [](const Json::Value& v, const api::DeviceResolution&) {
                std::vector<double> n;
                if (!readIntegers(v, kLaserNames, n))
                    return std::string("must be MODE,START,END,PARTITIONS,POWER (integers)");
                if (n[0] != 0 && n[0] != 1) return std::string("FringeCodingMode must be 0 or 1");
                if (n[1] < 0 || n[2] > 100 || n[2] - n[1] < 25)
                    return std::string("frame range must be 0 to 100, spanning 25 to 100");
                if (n[3] < 1 || n[3] > 4) return std::string("FramePartitionCount must be 1 to 4");
                if (n[4] < 20 || n[4] > 100) return std::string("PowerLevel must be 20 to 100");
                return std::string();
            },
            [](const Device& d, const Json::Value& v) {
                std::vector<double> n;
                readIntegers(v, kLaserNames, n);
                api::LaserSettings l;
                l.FringeCodingMode = std::int32_t(n[0]), l.FrameRangeStart = std::int32_t(n[1]);
                l.FrameRangeEnd = std::int32_t(n[2]), l.FramePartitionCount = std::int32_t(n[3]);
                l.PowerLevel = std::int32_t(n[4]);
                return d.setLaserSettings(l);
            }};
}

const std::vector<std::string> kFringeCoding = {"Fast", "Accurate"};
const std::vector<std::string> kFilterModes = {"Off", "Weak", "Normal"};

std::vector<SettingRow> makeTable() {
    using S2 = api::Scanning2DSettings;
    using P = api::ProjectorSettings;
    using C = api::PointCloudProcessingSettings;
    using V = api::VelaSettings;
    return {
        enumRow<S2::Scan2DExposureMode>("Scan2DExposureMode", &Device::getScan2DExposureMode,
                                        &Device::setScan2DExposureMode, {"Timed", "Auto", "HDR", "Flash"}),
        doubleRow("Scan2DExposureTime", &Device::getScan2DExposureTime, &Device::setScan2DExposureTime, 0.1,
                  999),
        intRow("Scan2DExpectedGrayValue", &Device::getScan2DExpectedGrayValue,
               &Device::setScan2DExpectedGrayValue, 0, 255),
        boolRow("Scan2DToneMappingEnable", &Device::getScan2DToneMappingEnable,
                &Device::setScan2DToneMappingEnable),
        doubleRow("Scan2DSharpenFactor", &Device::getScan2DSharpenFactor, &Device::setScan2DSharpenFactor, 0,
                  5),
        listRow(
            "Scan2DHDRExposureSequence", &Device::getScan2DHDRExposureSequence,
            [](const Device& d, std::vector<double>& t) { return d.setScan2DHDRExposureSequence(t); }, 5, 0.1,
            999),
        roiRow("Scan2DROI", &Device::getScan2DROI, &Device::setScan2DROI, true),
        doubleRow("Scan3DGain", &Device::getScan3DGain, &Device::setScan3DGain, 0, 16),
        listRow(
            "Scan3DExposure", &Device::getScan3DExposure,
            [](const Device& d, std::vector<double>& t) { return d.setScan3DExposure(t); }, 3, 0.1, 99),
        roiRow("Scan3DROI", &Device::getScan3DROI, &Device::setScan3DROI, false),
        depthRangeRow(),
        intRow("FringeContrastThreshold", &Device::getFringeContrastThreshold,
               &Device::setFringeContrastThreshold, 1, 100),
        intRow("FringeMinThreshold", &Device::getFringeMinThreshold, &Device::setFringeMinThreshold, 1, 100),
        enumRow<C::CloudOutlierFilterMode>("CloudOutlierFilterMode", &Device::getCloudOutlierFilterMode,
                                           &Device::setCloudOutlierFilterMode, kFilterModes),
        enumRow<C::CloudSmoothMode>("CloudSmoothMode", &Device::getCloudSmoothMode,
                                    &Device::setCloudSmoothMode, {"Off", "Weak", "Normal", "Strong"}),
        enumRow<P::FringeCodingMode>("ProjectorFringeCodingMode", &Device::getProjectorFringeCodingMode,
                                     &Device::setProjectorFringeCodingMode, kFringeCoding),
        enumRow<P::PowerLevel>("ProjectorPowerLevel", &Device::getProjectorPowerLevel,
                               &Device::setProjectorPowerLevel, {"High", "Normal", "Low"}),
        enumRow<P::AntiFlickerMode>("ProjectorAntiFlickerMode", &Device::getProjectorAntiFlickerMode,
                                    &Device::setProjectorAntiFlickerMode, {"Off", "AC50Hz", "AC60Hz"}),
        laserRow(),
        enumRow<V::VelaCaptureMode>("VelaCaptureMode", &Device::getVelaCaptureMode,
                                    &Device::setVelaCaptureMode, {"Standard", "HighResolution"}),
        enumRow<V::VelaFringeCodingMode>("VelaFringeCodingMode", &Device::getVelaFringeCodingMode,
                                         &Device::setVelaFringeCodingMode, kFringeCoding),
    };
}

}  // namespace

const std::vector<SettingRow>& settingTable() {
    static const std::vector<SettingRow> table = [] {
        std::vector<SettingRow> rows = makeTable();
        // A value reaches the typed setter only once checked, whoever calls.
        for (SettingRow& row : rows) {
            row.set = [key = row.key, check = row.check, set = row.set](const Device& d,
                                                                        const Json::Value& v) {
                api::DeviceResolution size;
                d.getDeviceResolution(size);
                if (const std::string refused = check(v, size); !refused.empty())
                    return api::ErrorStatus(api::WriteError, key + " " + refused);
                return set(d, v);
            };
        }
        return rows;
    }();
    return table;
}

const SettingRow* findSetting(const std::string& key) {
    for (const SettingRow& row : settingTable())
        if (strcasecmp(row.key.c_str(), key.c_str()) == 0) return &row;
    return nullptr;
}

Json::Value parseCommandLineValue(const std::string& text) {
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    if (!text.empty() && reader->parse(text.data(), text.data() + text.size(), &value, &errors)) return value;
    if (text.find(',') != std::string::npos) {
        Json::Value list(Json::arrayValue);
        const std::string bracketed = "[" + text + "]";
        if (reader->parse(bracketed.data(), bracketed.data() + bracketed.size(), &list, &errors)) return list;
    }
    return Json::Value(text);
}

}  // namespace tool
}  // namespace quorix
