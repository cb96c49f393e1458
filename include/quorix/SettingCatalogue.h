#pragma once

// Descriptions of the capture settings, as QuorixDevice::settingCatalogue() returns them: what each setting
// is called, the shape and limits of its value, its unit, which models have it and what it is for. Plain
// values: copy them, keep them, compare them.
//
// Every value can also be written as a list of numbers, which is how QuorixDevice::getSetting and
// setSetting carry it:
//   Integer, Real        one number
//   Boolean              0 (false) or 1 (true)
//   Enumeration          the enumerator's value
//   RealList             minimumCount to maximumCount numbers
//   Record               one number per field, in the order of fields (an enumeration field by its value)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace norvik {
namespace api {

enum class SettingKind : std::int32_t {
    Integer = 0,      // a whole number within minimum to maximum
    Real = 1,         // a number within minimum to maximum
    Boolean = 2,      // false or true
    Enumeration = 3,  // one of enumerators
    RealList = 4,     // minimumCount to maximumCount numbers, each within minimum to maximum
    Record = 5,       // the fields, each described on its own
};

// Which of the camera's images a region must fit in (Record settings of pixels).
enum class SettingImage : std::int32_t { None = 0, Image2D = 1, Image3D = 2 };

// One value of an enumeration.
struct SettingEnumerator {
    std::string name;  // the enumerator's name in the public enumeration, e.g. "AC50Hz"
    std::int32_t value = 0;
    // Models that refuse this value although they have the setting (e.g. Flash exposure); empty when every
    // model that has the setting accepts it.
    std::vector<std::string> refusedByModels;
};

// One field of a Record setting: the member of the public record of the same name.
struct SettingField {
    std::string name;
    SettingKind kind = SettingKind::Integer;  // Integer or Enumeration
    double minimum = 0;                       // both bounds belong to the range
    double maximum = 0;
    std::vector<SettingEnumerator> enumerators;  // Enumeration
    std::string unit;
    std::string description;
};

// A rule between two fields of a Record: upperField - lowerField lies within minimum to maximum.
struct SettingFieldSpan {
    std::string lowerField;
    std::string upperField;
    double minimum = 0;
    double maximum = 0;
};

struct SettingDescription {
    // The setting's name: its getter without "get" (getScan3DGain -> "Scan3DGain").
    std::string name;
    // The camera parameters that hold it, in the order a setter sends them.
    std::vector<std::string> parameters;
    SettingKind kind = SettingKind::Integer;
    // Integer and Real: the value's range; RealList: each element's range. Both bounds belong to it.
    double minimum = 0;
    double maximum = 0;
    // Enumeration: every value, in increasing order. The camera alone judges other numbers.
    std::vector<SettingEnumerator> enumerators;
    // RealList: how many numbers a value has.
    std::size_t minimumCount = 1;
    std::size_t maximumCount = 1;
    // Record: the fields, in the order of the public record, and the rules between them.
    std::vector<SettingField> fields;
    std::vector<SettingFieldSpan> spans;
    // A region must fit in this image (the setter reads the image sizes first).
    SettingImage fitsIn = SettingImage::None;
    std::string unit;         // "ms", "mm", "px", "%" or empty
    std::string description;  // one line for people
    // The models that have the setting, by QuorixDeviceInfo::model; empty when every model has it. A getter
    // on another model answers UnsupportedModel, a setter WriteError.
    std::vector<std::string> models;
    // What a getter leaves in its output when the camera's reply fails, for people.
    std::string onReadFailure;

    // Whether a camera of this model (QuorixDeviceInfo::model) has the setting.
    bool availableOn(const std::string& model) const {
        return models.empty() || std::find(models.begin(), models.end(), model) != models.end();
    }
    // How many numbers a value has (see the top of this file): the most for a RealList.
    std::size_t valueCount() const {
        if (kind == SettingKind::Record) return fields.size();
        return kind == SettingKind::RealList ? maximumCount : 1;
    }
};

}  // namespace api
}  // namespace norvik
