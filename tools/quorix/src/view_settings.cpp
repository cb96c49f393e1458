// The settings panel's description, derived from the tool's setting table: the kind from the shape of the
// value the camera holds, the limits and enumerators from the table's description of a value. Kept in this
// one file so that a richer source of the same facts can replace it without touching the page.
#include "view_settings.h"

#include <algorithm>
#include <cctype>
#include <regex>

#include "setting_table.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// "LO to HI" anywhere in the help text.
bool readRange(const std::string& help, Json::Value& entry) {
    static const std::regex range(R"((-?[0-9.]+) to (-?[0-9.]+))");
    std::smatch m;
    if (!std::regex_search(help, m, range)) return false;
    entry["min"] = std::stod(m[1]);
    entry["max"] = std::stod(m[2]);
    return true;
}

std::string unitOf(const std::string& name, const std::string& kind) {
    if ((kind == "number" || kind == "list") && name.find("Exposure") != std::string::npos) return "ms";
    if (name == "DepthRange") return "mm";
    if (name.size() >= 3 && name.compare(name.size() - 3, 3, "ROI") == 0) return "px";
    return "";
}

// The members of a structured value in the order the help names them ("X,Y,Width,Height in pixels"):
// a member matches a name when it holds the name's first four letters.
Json::Value orderedFields(const Json::Value& value, const std::string& help) {
    std::vector<std::string> members = value.getMemberNames();
    const std::string lead = lower(help.substr(0, help.find(' ')));
    auto rank = [&](const std::string& member) {
        std::size_t position = 0, index = 0;
        while (position <= lead.size()) {
            const std::size_t comma = std::min(lead.find(',', position), lead.size());
            const std::string token = lead.substr(position, std::min<std::size_t>(comma - position, 4));
            if (!token.empty() && lower(member).find(token) != std::string::npos) return index;
            position = comma + 1, ++index;
        }
        return index;
    };
    std::stable_sort(members.begin(), members.end(),
                     [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    Json::Value fields(Json::arrayValue);
    for (const auto& m : members) fields.append(m);
    return fields;
}

Json::Value describe(const SettingRow& row, const Json::Value& value) {
    Json::Value entry(Json::objectValue);
    entry["name"] = row.key;
    entry["help"] = row.valueHelp;
    const std::string& help = row.valueHelp;
    std::string kind;
    if (value.isBool()) {
        kind = "bool";
    } else if (value.isArray()) {
        kind = "list";
        readRange(help.substr(help.find("each") == std::string::npos ? 0 : help.find("each")), entry);
        static const std::regex count(R"(^1 to ([0-9]+))");
        std::smatch m;
        if (std::regex_search(help, m, count)) entry["maxCount"] = std::stoi(m[1]);
    } else if (value.isObject()) {
        kind = "struct";
        entry["fields"] = orderedFields(value, help);
    } else if (help.rfind("number", 0) == 0 || help.rfind("integer", 0) == 0) {
        kind = help.rfind("integer", 0) == 0 ? "integer" : "number";
        readRange(help, entry);
    } else {
        // "Timed (0), Auto (1), ..."
        kind = "enum";
        static const std::regex enumerator(R"(([A-Za-z0-9]+) \(([0-9]+)\))");
        Json::Value names(Json::arrayValue);
        for (std::sregex_iterator it(help.begin(), help.end(), enumerator), end; it != end; ++it)
            names.append((*it)[1].str());
        entry["enumerators"] = names;
    }
    entry["kind"] = kind;
    entry["unit"] = unitOf(row.key, kind);
    return entry;
}

}  // namespace

Json::Value describeSettings(const api::QuorixDevice& device) {
    Json::Value list(Json::arrayValue);
    for (const SettingRow& row : settingTable()) {
        Json::Value value;
        const api::ErrorStatus status = row.get(device, value);
        if (status.code == api::UnsupportedModel) continue;
        Json::Value entry = describe(row, value);
        entry["value"] = status.isOk() ? value : Json::Value();
        if (!status.isOk()) entry["error"] = status.message;
        list.append(entry);
    }
    return list;
}

}  // namespace tool
}  // namespace quorix
