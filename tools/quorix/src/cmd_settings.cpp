// quorix get / set / settings: any capture setting by its key, and presets of all of them in a JSON file.
#include <json/reader.h>
#include <json/writer.h>

#include <iostream>
#include <sstream>

#include "device_text.h"
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
    bool json = false;
};

std::string keyList() {
    std::string keys;
    for (const SettingRow& row : settingTable()) keys += (keys.empty() ? "" : ", ") + row.key;
    return keys;
}

// Reads the settings named by keys (all when empty). Settings the model lacks are left out; other failures
// stop the read.
int readSettings(const api::QuorixDevice& device, const std::vector<std::string>& keys, bool skipUnsupported,
                 Json::Value& values) {
    std::vector<const SettingRow*> rows;
    if (keys.empty())
        for (const SettingRow& row : settingTable()) rows.push_back(&row);
    for (const std::string& key : keys) {
        const SettingRow* row = findSetting(key);
        if (row == nullptr)
            return reportFailure("unknown setting \"" + key + "\"; the settings are: " + keyList());
        rows.push_back(row);
    }
    values = Json::Value(Json::objectValue);
    for (const SettingRow* row : rows) {
        Json::Value value;
        const api::ErrorStatus status = row->get(device, value);
        if (status.code == api::UnsupportedModel && skipUnsupported) continue;
        if (!status.isOk()) return reportFailure("reading " + row->key, status);
        values[row->key] = value;
    }
    return 0;
}

int runGet(const SettingOptions& o) {
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    Json::Value values;
    if (int failed = readSettings(device, o.keys, o.keys.empty(), values)) return failed;
    if (o.json) {
        printJson(std::cout, values);
        return 0;
    }
    // In the table's order, which groups related settings.
    std::vector<std::vector<std::string>> ordered;
    for (const SettingRow& row : settingTable())
        if (values.isMember(row.key)) ordered.push_back({row.key, compactJson(values[row.key])});
    printTable(std::cout, {"SETTING", "VALUE"}, ordered);
    return 0;
}

int runSet(const SettingOptions& o) {
    const SettingRow* row = findSetting(o.key);
    if (row == nullptr)
        return reportFailure("unknown setting \"" + o.key + "\"; the settings are: " + keyList());
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    api::DeviceResolution resolution;
    device.getDeviceResolution(resolution);
    const Json::Value value = parseCommandLineValue(o.value);
    if (const std::string refused = row->check(value, resolution); !refused.empty())
        return reportFailure(row->key + " " + refused);
    if (auto status = row->set(device, value); !status.isOk())
        return reportFailure("writing " + row->key, status);
    Json::Value now;
    if (auto status = row->get(device, now); !status.isOk())
        return reportFailure("reading " + row->key, status);
    if (o.json) {
        Json::Value out(Json::objectValue);
        out[row->key] = now;
        printJson(std::cout, out);
    } else {
        std::cout << row->key << " = " << compactJson(now) << "\n";
    }
    return 0;
}

int runSave(const api::QuorixDevice& device, const SettingOptions& o) {
    Json::Value values;
    if (int failed = readSettings(device, {}, true, values)) return failed;
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

// Every value is checked, against the table and against the camera's model, before anything is written.
int runLoad(const api::QuorixDevice& device, const SettingOptions& o) {
    std::string text;
    if (!files::readTextFile(o.loadFile, text)) return reportFailure(o.loadFile + ": cannot be read");
    Json::CharReaderBuilder builder;
    Json::Value document;
    std::string errors;
    std::istringstream stream(text);
    if (!Json::parseFromStream(builder, stream, &document, &errors))
        return reportFailure(o.loadFile + ": not JSON: " + errors.substr(0, errors.find('\n')));
    const Json::Value& settings =
        document.isObject() && document.isMember("settings") ? document["settings"] : document;
    if (!settings.isObject()) return reportFailure(o.loadFile + ": the settings must be a JSON object");

    api::DeviceResolution resolution;
    device.getDeviceResolution(resolution);
    std::vector<std::string> refusals;
    std::vector<std::pair<const SettingRow*, Json::Value>> accepted;
    for (const SettingRow& row : settingTable()) {
        if (!settings.isMember(row.key)) continue;
        const Json::Value& value = settings[row.key];
        if (const std::string refused = row.check(value, resolution); !refused.empty()) {
            refusals.push_back(row.key + " " + refused);
            continue;
        }
        Json::Value current;
        if (row.get(device, current).code == api::UnsupportedModel) {
            refusals.push_back(row.key + " is not available on this model");
            continue;
        }
        accepted.emplace_back(&row, value);
    }
    for (const auto& key : settings.getMemberNames())
        if (findSetting(key) == nullptr || findSetting(key)->key != key)
            refusals.push_back("unknown setting \"" + key + "\"");
    if (!refusals.empty()) {
        for (const std::string& refusal : refusals)
            std::cerr << "quorix: " << o.loadFile << ": " << refusal << "\n";
        return reportFailure(o.loadFile + ": " + std::to_string(refusals.size()) +
                             " value(s) refused; nothing was sent to the camera");
    }
    for (const auto& [row, value] : accepted)
        if (auto status = row->set(device, value); !status.isOk())
            return reportFailure("writing " + row->key, status);
    std::cout << "Applied " << accepted.size() << " settings from " << o.loadFile << "\n";
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
    std::string keysHelp;
    for (const SettingRow& row : settingTable()) keysHelp += "\n  " + row.key + ": " + row.valueHelp;

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
    presetCommand->callback([&action, preset] { action = [preset] { return runSettings(*preset); }; });
}

}  // namespace tool
}  // namespace quorix
