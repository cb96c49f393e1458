#pragma once

// The camera's user sets: named full copies of the parameters, one of them current. Parameter writes go to
// the current set; selecting a set makes its copy the one in force. "default" always exists.

#include <json/json.h>

#include <string>
#include <utility>
#include <vector>

#include "parameter_table.h"

namespace quorix {
namespace virtualcam {

inline constexpr char kDefaultUserSet[] = "default";
inline constexpr std::size_t kMaxUserSets = 16;
inline constexpr std::size_t kMaxUserSetNameBytes = 64;

class UserSetStore {
  public:
    explicit UserSetStore(const ParameterContext& context);

    std::vector<std::string> names() const;
    const std::string& current() const { return current_; }
    const Json::Value& parameters() const { return find(current_)->second; }

    // Each returns "" on success, else the refusal text for "err_msg".
    std::string set(const std::string& name, const Json::Value& value);
    // Checks every member of an object of parameters first, then writes them all (or none).
    std::string setMany(const Json::Value& values);
    // A new set starts as a copy of the current parameters.
    std::string add(const std::string& name);
    std::string remove(const std::string& name);
    std::string select(const std::string& name);

    // The whole store as a JSON document, and back. fromJson checks every set against the parameter table;
    // parameters a set lacks take their defaults.
    Json::Value toJson() const;
    bool fromJson(const Json::Value& document, std::string& error);

  private:
    using Entry = std::pair<std::string, Json::Value>;
    const Entry* find(const std::string& name) const;
    Entry* find(const std::string& name);

    ParameterContext context_;
    std::vector<Entry> sets_;
    std::string current_;
};

}  // namespace virtualcam
}  // namespace quorix
