// quorix usersets: the named groups of settings stored on the camera.
#include <iostream>

#include "device_text.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;

namespace {

struct UserSetOptions {
    std::string address;
    int timeoutMs = 5000;
    std::string action;
    std::string name;
    bool json = false;
};

int runUserSets(const UserSetOptions& o) {
    const bool needsName = o.action == "add" || o.action == "delete" || o.action == "select";
    if (needsName && o.name.empty()) return reportFailure("usersets " + o.action + " needs a NAME");
    if (!needsName && !o.name.empty()) return reportFailure("usersets " + o.action + " takes no NAME");
    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    if (o.action == "add") {
        if (auto s = device.addUserSet(o.name); !s.isOk())
            return reportFailure("adding user set " + o.name, s);
    } else if (o.action == "delete") {
        if (auto s = device.deleteUserSet(o.name); !s.isOk())
            return reportFailure("deleting user set " + o.name, s);
    } else if (o.action == "select") {
        if (auto s = device.setCurrentUserSet(o.name); !s.isOk())
            return reportFailure("selecting user set " + o.name, s);
    } else if (o.action == "save") {
        if (auto s = device.saveAllSettingsToUserSets(); !s.isOk())
            return reportFailure("saving the user sets", s);
    }
    // Every action ends by showing the sets as they now are.
    std::vector<std::string> names;
    std::string current;
    if (auto s = device.getAllUserSets(names); !s.isOk()) return reportFailure("listing the user sets", s);
    if (auto s = device.getCurrentUserSet(current); !s.isOk())
        return reportFailure("reading the current user set", s);
    if (o.json) {
        Json::Value value(Json::objectValue);
        value["current"] = current;
        value["userSets"] = Json::Value(Json::arrayValue);
        for (const auto& name : names) value["userSets"].append(name);
        printJson(std::cout, value);
        return 0;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& name : names) rows.push_back({name == current ? "*" : "", name});
    printTable(std::cout, {"CURRENT", "USER SET"}, rows);
    return 0;
}

}  // namespace

void addUserSetsCommand(CLI::App& app, Action& action) {
    auto* command =
        app.add_subcommand("usersets", "List, add, delete, select or save the camera's user sets");
    auto o = std::make_shared<UserSetOptions>();
    command->add_option("address", o->address, "ADDRESS[:PORT] of the camera")->required();
    command->add_option("action", o->action, "list, add NAME, delete NAME, select NAME or save")
        ->required()
        ->check(CLI::IsMember({"list", "add", "delete", "select", "save"}));
    command->add_option("name", o->name, "user set name");
    command->add_option("--timeout", o->timeoutMs, "reply time-out in milliseconds")->capture_default_str();
    command->add_flag("--json", o->json, "print JSON");
    command->callback([&action, o] { action = [o] { return runUserSets(*o); }; });
}

}  // namespace tool
}  // namespace quorix
