#include "device/setting_descriptions.h"

#include "device/model_gate.h"
#include "settings/catalogue.h"

namespace norvik {
namespace device {

namespace {

namespace s = settings;

std::vector<api::SettingEnumerator> describe(s::ConstList<s::Enumerator> enumerators, const s::Gate& gate) {
    std::vector<api::SettingEnumerator> out;
    for (const s::Enumerator& e : enumerators) {
        api::SettingEnumerator d;
        d.name = e.name;
        d.value = e.value;
        if (gate.feature && gate.onlyForValue == e.value) d.refusedByModels = modelsWithout(*gate.feature);
        out.push_back(std::move(d));
    }
    return out;
}

api::SettingDescription describe(const s::Setting& row) {
    api::SettingDescription d;
    d.name = row.name;
    d.parameters.assign(row.parameters.begin(), row.parameters.end());
    d.kind = static_cast<api::SettingKind>(row.kind);
    d.minimum = row.min;
    d.maximum = row.max;
    d.enumerators = describe(row.enumerators, row.gate);
    if (!d.enumerators.empty()) {
        d.minimum = d.enumerators.front().value;
        d.maximum = d.enumerators.back().value;
    }
    d.minimumCount = row.minCount;
    d.maximumCount = row.maxCount;
    for (const s::Field& f : row.fields) {
        api::SettingField field;
        field.name = f.name;
        field.kind = static_cast<api::SettingKind>(f.kind);
        field.minimum = f.min;
        field.maximum = f.max;
        field.enumerators = describe(f.enumerators, s::kNoGate);
        field.unit = f.unit;
        field.description = f.description;
        d.fields.push_back(std::move(field));
    }
    for (const s::FieldSpan& span : row.spans)
        d.spans.push_back({span.lower, span.upper, span.min, span.max});
    d.fitsIn = static_cast<api::SettingImage>(row.fitsIn);
    d.unit = row.unit;
    d.description = row.description;
    if (row.gate.feature && !row.gate.onlyForValue) d.models = modelsWith(*row.gate.feature);
    d.onReadFailure = row.readFailure;
    return d;
}

}  // namespace

const std::vector<api::SettingDescription>& settingDescriptions() {
    static const std::vector<api::SettingDescription> all = [] {
        std::vector<api::SettingDescription> out;
        for (const s::Setting* row : s::kCatalogue) out.push_back(describe(*row));
        return out;
    }();
    return all;
}

std::vector<api::SettingDescription> settingDescriptionsFor(const std::string& model) {
    std::vector<api::SettingDescription> out;
    for (const api::SettingDescription& d : settingDescriptions())
        if (d.availableOn(model)) out.push_back(d);
    return out;
}

}  // namespace device
}  // namespace norvik
