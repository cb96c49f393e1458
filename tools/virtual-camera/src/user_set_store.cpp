#include "user_set_store.h"

#include <algorithm>

namespace quorix {
namespace virtualcam {

namespace {

constexpr char kFormatKey[] = "format";
constexpr char kFormatName[] = "quorix-virtual-camera-user-sets";
constexpr char kVersionKey[] = "version";
constexpr int kVersion = 1;
constexpr char kCurrentKey[] = "current";
constexpr char kSetsKey[] = "sets";
constexpr char kNameKey[] = "name";
constexpr char kParametersKey[] = "parameters";

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

}  // namespace

UserSetStore::UserSetStore(const ParameterContext& context) : context_(context), current_(kDefaultUserSet) {
    sets_.emplace_back(kDefaultUserSet, defaultParameters(context_));
}

const UserSetStore::Entry* UserSetStore::find(const std::string& name) const {
    for (const auto& entry : sets_)
        if (entry.first == name) return &entry;
    return nullptr;
}

UserSetStore::Entry* UserSetStore::find(const std::string& name) {
    return const_cast<Entry*>(static_cast<const UserSetStore*>(this)->find(name));
}

std::vector<std::string> UserSetStore::names() const {
    std::vector<std::string> names;
    for (const auto& entry : sets_) names.push_back(entry.first);
    return names;
}

std::string UserSetStore::set(const std::string& name, const Json::Value& value) {
    const ParameterRow* row = findParameter(name);
    if (row == nullptr) return "Unknown parameter " + quoted(name) + ".";
    Json::Value normalized;
    std::string error = checkParameter(*row, value, context_, normalized);
    if (!error.empty()) return error;
    find(current_)->second[row->name] = normalized;
    return {};
}

std::string UserSetStore::setMany(const Json::Value& values) {
    if (!values.isObject()) return "\"camera_config\" must be an object of parameters or null.";
    Json::Value updated = parameters();
    for (const auto& name : values.getMemberNames()) {
        const ParameterRow* row = findParameter(name);
        if (row == nullptr) return "Unknown parameter " + quoted(name) + ".";
        Json::Value normalized;
        std::string error = checkParameter(*row, values[name], context_, normalized);
        if (!error.empty()) return error;
        updated[row->name] = normalized;
    }
    find(current_)->second = updated;
    return {};
}

std::string UserSetStore::add(const std::string& name) {
    if (name.empty()) return "User set name is empty.";
    if (name.size() > kMaxUserSetNameBytes) return "User set name is longer than 64 bytes.";
    if (find(name) != nullptr) return "User set " + quoted(name) + " already exists.";
    if (sets_.size() >= kMaxUserSets) return "No room for another user set (at most 16).";
    sets_.emplace_back(name, parameters());
    return {};
}

std::string UserSetStore::remove(const std::string& name) {
    if (name == kDefaultUserSet) return "The default user set cannot be deleted.";
    auto it = std::find_if(sets_.begin(), sets_.end(), [&](const Entry& e) { return e.first == name; });
    if (it == sets_.end()) return "User set " + quoted(name) + " does not exist.";
    sets_.erase(it);
    if (current_ == name) current_ = kDefaultUserSet;
    return {};
}

std::string UserSetStore::select(const std::string& name) {
    if (find(name) == nullptr) return "User set " + quoted(name) + " does not exist.";
    current_ = name;
    return {};
}

Json::Value UserSetStore::toJson() const {
    Json::Value document(Json::objectValue);
    document[kFormatKey] = kFormatName;
    document[kVersionKey] = kVersion;
    document[kCurrentKey] = current_;
    Json::Value& sets = document[kSetsKey] = Json::Value(Json::arrayValue);
    for (const auto& entry : sets_) {
        Json::Value set(Json::objectValue);
        set[kNameKey] = entry.first;
        set[kParametersKey] = entry.second;
        sets.append(set);
    }
    return document;
}

bool UserSetStore::fromJson(const Json::Value& document, std::string& error) {
    if (!document.isObject() || document.get(kFormatKey, "") != kFormatName)
        return error = "not a user-set file of the virtual camera", false;
    if (document.get(kVersionKey, 0) != kVersion) return error = "unsupported user-set file version", false;
    const Json::Value& sets = document[kSetsKey];
    const Json::Value& current = document[kCurrentKey];
    if (!sets.isArray() || sets.empty() || !current.isString())
        return error = "missing \"sets\" or \"current\"", false;

    UserSetStore loaded(context_);
    loaded.sets_.clear();
    for (const auto& set : sets) {
        if (!set.isObject() || !set[kNameKey].isString() || !set[kParametersKey].isObject())
            return error = "a set without a name or parameters", false;
        const std::string name = set[kNameKey].asString();
        if (name.empty() || name.size() > kMaxUserSetNameBytes || loaded.find(name) != nullptr)
            return error = "invalid or repeated set name " + quoted(name), false;
        loaded.sets_.emplace_back(name, defaultParameters(context_));
        loaded.current_ = name;
        std::string refusal = loaded.setMany(set[kParametersKey]);
        if (!refusal.empty()) return error = "set " + quoted(name) + ": " + refusal, false;
    }
    if (loaded.find(kDefaultUserSet) == nullptr) return error = "the default set is missing", false;
    if (loaded.sets_.size() > kMaxUserSets) return error = "too many sets", false;
    if (loaded.find(current.asString()) == nullptr) return error = "the current set does not exist", false;
    loaded.current_ = current.asString();
    *this = std::move(loaded);
    return true;
}

}  // namespace virtualcam
}  // namespace quorix
