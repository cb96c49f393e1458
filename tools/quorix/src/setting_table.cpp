#include "setting_table.h"

#include <json/reader.h>

#include <strings.h>
#include <cmath>
#include <locale>
#include <memory>
#include <sstream>

namespace quorix {
namespace tool {

namespace api = norvik::api;
using api::SettingKind;

namespace {

std::string numberText(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text.precision(15);
    text << value;
    return text.str();
}

std::string rangeText(double minimum, double maximum, const std::string& unit) {
    return numberText(minimum) + " to " + numberText(maximum) + (unit.empty() ? "" : " " + unit);
}

std::string enumeratorsText(const std::vector<api::SettingEnumerator>& enumerators) {
    std::string text;
    for (const auto& e : enumerators)
        text += (text.empty() ? "" : ", ") + e.name + " (" + std::to_string(e.value) + ")";
    return text;
}

bool isNumber(const Json::Value& v) {
    return v.type() == Json::intValue || v.type() == Json::uintValue || v.type() == Json::realValue;
}

bool isWholeNumber(const Json::Value& v) { return isNumber(v) && std::floor(v.asDouble()) == v.asDouble(); }

// An enumerator by its name (any case) or its value.
bool enumeratorValue(const std::vector<api::SettingEnumerator>& enumerators, const Json::Value& v,
                     double& out) {
    for (const auto& e : enumerators) {
        if ((v.isString() && strcasecmp(v.asCString(), e.name.c_str()) == 0) ||
            (isWholeNumber(v) && v.asDouble() == e.value)) {
            out = e.value;
            return true;
        }
    }
    return false;
}

// One number of the given kind; false when v is not one.
bool numberOf(SettingKind kind, const std::vector<api::SettingEnumerator>& enumerators, const Json::Value& v,
              double& out) {
    switch (kind) {
        case SettingKind::Boolean:
            if (!v.isBool()) return false;
            out = v.asBool() ? 1 : 0;
            return true;
        case SettingKind::Enumeration:
            return enumeratorValue(enumerators, v, out);
        case SettingKind::Integer:
            if (!isWholeNumber(v)) return false;
            out = v.asDouble();
            return true;
        default:
            if (!isNumber(v) || !std::isfinite(v.asDouble())) return false;
            out = v.asDouble();
            return true;
    }
}

// A whole number as a JSON integer when it fits in one.
Json::Value wholeToJson(double x) {
    if (x >= -9.2e18 && x <= 9.2e18) return Json::Value(static_cast<Json::Int64>(x));
    return Json::Value(x);
}

Json::Value numberToJson(SettingKind kind, const std::vector<api::SettingEnumerator>& enumerators, double x) {
    switch (kind) {
        case SettingKind::Boolean:
            return Json::Value(x != 0);
        case SettingKind::Enumeration:
            for (const auto& e : enumerators)
                if (e.value == x) return Json::Value(e.name);
            return wholeToJson(x);  // a value the camera holds but has no name
        case SettingKind::Integer:
            return wholeToJson(x);
        default:
            return Json::Value(x);
    }
}

std::string fieldNames(const api::SettingDescription& setting) {
    std::string names;
    for (const auto& f : setting.fields) names += (names.empty() ? "" : ",") + f.name;
    return names;
}

}  // namespace

const api::SettingDescription* findSetting(const std::string& key) {
    for (const auto& setting : api::QuorixDevice::settingCatalogue())
        if (strcasecmp(setting.name.c_str(), key.c_str()) == 0) return &setting;
    return nullptr;
}

std::string settingNames() {
    std::string names;
    for (const auto& setting : api::QuorixDevice::settingCatalogue())
        names += (names.empty() ? "" : ", ") + setting.name;
    return names;
}

std::string valueForm(const api::SettingDescription& s) {
    switch (s.kind) {
        case SettingKind::Integer:
            return "integer, " + rangeText(s.minimum, s.maximum, s.unit);
        case SettingKind::Real:
            return "number, " + rangeText(s.minimum, s.maximum, s.unit);
        case SettingKind::Boolean:
            return "true or false";
        case SettingKind::Enumeration:
            return "one of " + enumeratorsText(s.enumerators);
        case SettingKind::RealList:
            return std::to_string(s.minimumCount) + " to " + std::to_string(s.maximumCount) +
                   " numbers, each " + rangeText(s.minimum, s.maximum, s.unit);
        case SettingKind::Record: {
            std::string parts;
            for (const auto& f : s.fields) {
                const std::string form = f.kind == SettingKind::Enumeration
                                             ? enumeratorsText(f.enumerators)
                                             : rangeText(f.minimum, f.maximum, f.unit);
                parts += (parts.empty() ? "" : "; ") + f.name + " " + form;
            }
            for (const auto& span : s.spans)
                parts += "; " + span.upperField + " - " + span.lowerField + " " +
                         rangeText(span.minimum, span.maximum, "");
            if (s.fitsIn != api::SettingImage::None)
                parts += s.fitsIn == api::SettingImage::Image2D ? "; within the 2D image"
                                                                : "; within the depth image";
            return fieldNames(s) + " (" + parts + ")";
        }
    }
    return {};
}

std::string settingsHelp() {
    std::string help;
    for (const auto& s : api::QuorixDevice::settingCatalogue()) {
        help += "\n  " + s.name + ": " + valueForm(s) + "\n      " + s.description;
        if (s.models.size() == 1) help += " (" + s.models.front() + " only)";
        if (s.models.size() > 1) help += " (" + std::to_string(s.models.size()) + " models only)";
    }
    return help;
}

Json::Value valueToJson(const api::SettingDescription& s, const std::vector<double>& numbers) {
    if (s.kind == SettingKind::RealList) {
        Json::Value list(Json::arrayValue);
        for (double x : numbers) list.append(x);
        return list;
    }
    if (s.kind == SettingKind::Record) {
        Json::Value record(Json::objectValue);
        for (std::size_t i = 0; i < s.fields.size() && i < numbers.size(); ++i)
            record[s.fields[i].name] = numberToJson(s.fields[i].kind, s.fields[i].enumerators, numbers[i]);
        return record;
    }
    return numbers.empty() ? Json::Value() : numberToJson(s.kind, s.enumerators, numbers[0]);
}

std::string valueFromJson(const api::SettingDescription& s, const Json::Value& value,
                          std::vector<double>& numbers) {
    numbers.clear();
    const std::string refusal = s.name + " must be " + valueForm(s);
    if (s.kind == SettingKind::RealList) {
        Json::Value list(Json::arrayValue);
        if (value.isArray()) {
            list = value;
        } else {
            list.append(value);  // one number stands for a list of one
        }
        if (list.size() < s.minimumCount || list.size() > s.maximumCount) return refusal;
        for (const Json::Value& item : list) {
            double x = 0;
            if (!numberOf(SettingKind::Real, {}, item, x)) return refusal;
            numbers.push_back(x);
        }
        return {};
    }
    if (s.kind == SettingKind::Record) {
        if (value.isObject() ? value.size() != s.fields.size()
                             : !(value.isArray() && value.size() == s.fields.size()))
            return refusal;
        for (std::size_t i = 0; i < s.fields.size(); ++i) {
            const auto& field = s.fields[i];
            const Json::Value* item =
                value.isObject() ? value.find(field.name.data(), field.name.data() + field.name.size())
                                 : &value[static_cast<Json::ArrayIndex>(i)];
            double x = 0;
            if (item == nullptr || !numberOf(field.kind, field.enumerators, *item, x)) return refusal;
            numbers.push_back(x);
        }
        return {};
    }
    double x = 0;
    if (!numberOf(s.kind, s.enumerators, value, x)) return refusal;
    numbers.push_back(x);
    return {};
}

api::ErrorStatus readSetting(const api::QuorixDevice& device, const api::SettingDescription& setting,
                             Json::Value& value) {
    std::vector<double> numbers;
    api::ErrorStatus status = device.getSetting(setting.name, numbers);
    value = valueToJson(setting, numbers);
    return status;
}

namespace {

api::ErrorStatus convert(const api::SettingDescription& setting, const Json::Value& value,
                         std::vector<double>& numbers) {
    if (std::string refused = valueFromJson(setting, value, numbers); !refused.empty())
        return {api::WriteError, refused};
    return {};
}

}  // namespace

api::ErrorStatus checkSetting(const api::QuorixDevice& device, const api::SettingDescription& setting,
                              const Json::Value& value) {
    std::vector<double> numbers;
    if (auto status = convert(setting, value, numbers); !status.isOk()) return status;
    return device.checkSetting(setting.name, numbers);
}

api::ErrorStatus writeSetting(const api::QuorixDevice& device, const api::SettingDescription& setting,
                              const Json::Value& value) {
    std::vector<double> numbers;
    if (auto status = convert(setting, value, numbers); !status.isOk()) return status;
    return device.setSetting(setting.name, numbers);
}

Json::Value parseCommandLineValue(const std::string& text) {
    Json::CharReaderBuilder builder;
    builder["failIfExtra"] = true;
    builder["stackLimit"] = 16;  // a value on a command line is never deeper
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    try {
        if (!text.empty() && reader->parse(text.data(), text.data() + text.size(), &value, &errors))
            return value;
        if (text.find(',') != std::string::npos) {
            // Each item as JSON when it parses, else as text (an enumerator's name: "Accurate,10,60,2,50").
            Json::Value list(Json::arrayValue);
            std::istringstream items(text);
            for (std::string item; std::getline(items, item, ',');) {
                Json::Value parsed;
                if (item.empty() || !reader->parse(item.data(), item.data() + item.size(), &parsed, &errors))
                    parsed = Json::Value(item);
                list.append(parsed);
            }
            return list;
        }
    } catch (const std::exception&) {
        // Nested beyond the limit: taken as text, which no setting accepts.
    }
    return Json::Value(text);
}

}  // namespace tool
}  // namespace quorix
