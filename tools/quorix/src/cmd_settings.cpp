// quorix get / set / settings: any capture setting by its key, and presets of all of them in a JSON file.
#include <json/writer.h>

#include <algorithm>
#include <iostream>

#include "device_text.h"
#include "preset_file.h"
#include "quorixexport/calibration_file.h"
#include "setting_table.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace files = norvik::files;

namespace api = norvik::api;

namespace {

struct SettingOptions {
    std::string address;
    int timeoutMs = 5000;
    std::vector<std::string> keys;  // get: none means all
    std::string key, value;         // set
    std::string saveFile, loadFile;
    bool skipUnsupported = false;
    bool json = false;
};

int unknownSetting(const std::string& key) {
    return reportFailure("unknown setting \"" + key + "\"; the settings are: " + settingNames());
}

// Reads the settings named by keys, or all that the camera's model has when keys is empty; the first failure
// stops the read.
int readSettings(const api::QuorixDevice& device, const std::vector<std::string>& keys, Json::Value& values) {
    std::vector<api::SettingDescription> settings;
    if (keys.empty()) {
        if (auto status = device.getSettingCatalogue(settings); !status.isOk())
            return reportFailure("listing the settings", status);
    }
    for (const std::string& key : keys) {
        const api::SettingDescription* setting = findSetting(key);
        if (setting == nullptr) return unknownSetting(key);
        settings.push_back(*setting);
    }
    values = Json::Value(Json::objectValue);
    for (const api::SettingDescription& setting : settings) {
        Json::Value value;
        if (auto status = readSetting(device, setting, value); !status.isOk())
            return reportFailure("reading " + setting.name, status);
        values[setting.name] = value;
    }
    return 0;
}

int runGet(const SettingOptions& o) {
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    Json::Value values;
    if (int failed = readSettings(device, o.keys, values)) return failed;
    if (o.json) {
        printJson(std::cout, values);
        return 0;
    }
    // In the catalogue's order, which groups related settings.
    std::vector<std::vector<std::string>> ordered;
    for (const api::SettingDescription& setting : api::QuorixDevice::settingCatalogue())
        if (values.isMember(setting.name))
            ordered.push_back({setting.name, compactJson(values[setting.name])});
    printTable(std::cout, {"SETTING", "VALUE"}, ordered);
    return 0;
}

int runSet(const SettingOptions& o) {
    const api::SettingDescription* setting = findSetting(o.key);
    if (setting == nullptr) return unknownSetting(o.key);
    const Json::Value value = parseCommandLineValue(o.value);
    // The form first, so that a mistyped value is refused before the camera is reached.
    std::vector<double> numbers;
    if (const std::string refused = valueFromJson(*setting, value, numbers); !refused.empty())
        return reportFailure(refused);
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    if (auto status = writeSetting(device, *setting, value); !status.isOk())
        return reportFailure("writing " + setting->name, status);
    Json::Value now;
    if (auto status = readSetting(device, *setting, now); !status.isOk())
        return reportFailure("reading " + setting->name, status);
    if (o.json) {
        Json::Value out(Json::objectValue);
        out[setting->name] = now;
        printJson(std::cout, out);
    } else {
        std::cout << setting->name << " = " << compactJson(now) << "\n";
    }
    return 0;
}

int runSave(const api::QuorixDevice& device, const SettingOptions& o) {
    Json::Value values;
    if (int failed = readSettings(device, {}, values)) return failed;
    api::QuorixDeviceInfo info;
    device.getDeviceInfo(info);
    Json::Value preset(Json::objectValue);
    preset["model"] = info.model;
    preset["settings"] = values;
    const files::FileResult written = files::writeTextFile(o.saveFile, toJsonText(preset));
    if (!written.ok()) return reportFailure(written.error);
    std::cout << "Saved " << values.size() << " settings of " << info.model << " to " << o.saveFile << "\n";
    return 0;
}

// Every value is checked, against the catalogue, the camera's model and its image sizes, before anything is
// written; a preset with one refused value changes nothing.
int runLoad(const api::QuorixDevice& device, const SettingOptions& o) {
    Json::Value settings;
    std::string error;
    if (!readPresetFile(o.loadFile, settings, error)) return reportFailure(error);

    std::vector<api::SettingDescription> available;
    if (auto status = device.getSettingCatalogue(available); !status.isOk())
        return reportFailure("listing the settings", status);
    std::vector<std::string> refusals;
    std::vector<std::string> skipped;
    std::vector<std::pair<const api::SettingDescription*, Json::Value>> accepted;
    for (const api::SettingDescription& setting : api::QuorixDevice::settingCatalogue()) {
        const Json::Value* value =
            settings.find(setting.name.data(), setting.name.data() + setting.name.size());
        if (value == nullptr) continue;
        const bool here =
            std::any_of(available.begin(), available.end(),
                        [&](const api::SettingDescription& a) { return a.name == setting.name; });
        if (!here) {
            if (o.skipUnsupported)
                skipped.push_back(setting.name);
            else
                refusals.push_back(setting.name + " is not available on this model");
            continue;
        }
        if (auto status = checkSetting(device, setting, *value); !status.isOk()) {
            refusals.push_back(setting.name + ": " + status.message);
            continue;
        }
        accepted.emplace_back(&setting, *value);
    }
    for (const auto& key : settings.getMemberNames())
        if (findSetting(key) == nullptr || findSetting(key)->name != key)
            refusals.push_back("unknown setting \"" + key + "\"");
    if (!refusals.empty()) {
        for (const std::string& refusal : refusals)
            std::cerr << "quorix: " << o.loadFile << ": " << refusal << "\n";
        return reportFailure(o.loadFile + ": " + std::to_string(refusals.size()) +
                             " value(s) refused; nothing was sent to the camera");
    }
    for (const auto& [setting, value] : accepted)
        if (auto status = writeSetting(device, *setting, value); !status.isOk())
            return reportFailure("writing " + setting->name, status);
    std::cout << "Applied " << accepted.size() << " settings from " << o.loadFile << "\n";
    if (!skipped.empty()) {
        std::string names;
        for (const std::string& name : skipped) names += (names.empty() ? "" : ", ") + name;
        std::cout << "Skipped " << skipped.size() << " not available on this model: " << names << "\n";
    }
    return 0;
}

int runSettings(const SettingOptions& o) {
    if (o.saveFile.empty() == o.loadFile.empty())
        return reportFailure("settings needs exactly one of --save and --load");
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    return o.saveFile.empty() ? runLoad(device, o) : runSave(device, o);
}

void addCommon(CLI::App* command, SettingOptions& o) {
    command->add_option("address", o.address, "ADDRESS[:PORT] of the camera")->required();
    command->add_option("--timeout", o.timeoutMs, "reply time-out in milliseconds")->capture_default_str();
}

}  // namespace

void addSettingCommands(CLI::App& app, Action& action) {
    const std::string keysHelp = settingsHelp();

    auto get = std::make_shared<SettingOptions>();
    auto* getCommand = app.add_subcommand("get", "Read settings (all the model has when no key is given)");
    addCommon(getCommand, *get);
    getCommand->add_option("keys", get->keys, "setting keys");
    getCommand->add_flag("--json", get->json, "print a JSON object");
    getCommand->footer("Settings:" + keysHelp);
    getCommand->callback([&action, get] { action = [get] { return runGet(*get); }; });

    auto set = std::make_shared<SettingOptions>();
    auto* setCommand =
        app.add_subcommand("set", "Write one setting and print what the camera holds afterwards");
    addCommon(setCommand, *set);
    setCommand->add_option("key", set->key, "setting key")->required();
    setCommand->add_option("value", set->value, "new value (see the list below)")->required();
    setCommand->add_flag("--json", set->json, "print a JSON object");
    setCommand->footer("Settings:" + keysHelp);
    setCommand->callback([&action, set] { action = [set] { return runSet(*set); }; });

    auto preset = std::make_shared<SettingOptions>();
    auto* presetCommand = app.add_subcommand(
        "settings",
        "Save every setting to a JSON preset file, or apply one (checked in full before anything is sent)");
    addCommon(presetCommand, *preset);
    presetCommand->add_option("--save", preset->saveFile, "write the camera's settings to this file");
    presetCommand->add_option("--load", preset->loadFile, "apply the settings of this file");
    presetCommand->add_flag(
        "--skip-unsupported", preset->skipUnsupported,
        "with --load, leave out (and list) the settings this camera's model does not have");
    presetCommand->callback([&action, preset] { action = [preset] { return runSettings(*preset); }; });
}

}  // namespace tool
}  // namespace quorix
