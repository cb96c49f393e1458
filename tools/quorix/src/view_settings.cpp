// The settings panel's description, taken from the library's catalogue for the connected camera.
#include "view_settings.h"

#include <vector>

#include "setting_table.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;

namespace {

const char* kindName(api::SettingKind kind) {
    switch (kind) {
        case api::SettingKind::Integer: return "integer";
        case api::SettingKind::Real: return "number";
        case api::SettingKind::Boolean: return "bool";
        case api::SettingKind::Enumeration: return "enum";
        case api::SettingKind::RealList: return "list";
        case api::SettingKind::Record: return "struct";
    }
    return "number";
}

Json::Value describe(const api::SettingDescription& setting) {
    Json::Value entry(Json::objectValue);
    entry["name"] = setting.name;
    entry["help"] = valueForm(setting);
    entry["kind"] = kindName(setting.kind);
    entry["unit"] = setting.unit;
    switch (setting.kind) {
        case api::SettingKind::Integer:
        case api::SettingKind::Real:
            entry["min"] = setting.minimum;
            entry["max"] = setting.maximum;
            break;
        case api::SettingKind::RealList:
            entry["min"] = setting.minimum;
            entry["max"] = setting.maximum;
            entry["maxCount"] = static_cast<Json::UInt64>(setting.maximumCount);
            break;
        case api::SettingKind::Enumeration: {
            Json::Value names(Json::arrayValue);
            for (const api::SettingEnumerator& enumerator : setting.enumerators) names.append(enumerator.name);
            entry["enumerators"] = names;
            break;
        }
        case api::SettingKind::Record: {
            Json::Value fields(Json::arrayValue);
            for (const api::SettingField& field : setting.fields) fields.append(field.name);
            entry["fields"] = fields;
            break;
        }
        case api::SettingKind::Boolean: break;
    }
    return entry;
}

}  // namespace

Json::Value describeSettings(const api::QuorixDevice& device) {
    Json::Value list(Json::arrayValue);
    std::vector<api::SettingDescription> settings;
    if (!device.getSettingCatalogue(settings).isOk()) return list;
    for (const api::SettingDescription& setting : settings) {
        Json::Value value;
        const api::ErrorStatus status = readSetting(device, setting, value);
        if (status.code == api::UnsupportedModel) continue;
        Json::Value entry = describe(setting);
        entry["value"] = status.isOk() ? value : Json::Value();
        if (!status.isOk()) entry["error"] = status.message;
        list.append(entry);
    }
    return list;
}

}  // namespace tool
}  // namespace quorix
