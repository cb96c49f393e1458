#pragma once

// A scripted camera that keeps its parameters like a real one: a set stores the value, a get returns it
// (no "property_value" for a parameter never set). Single parameters can be made to fail.

#include <json/json.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"
#include "support/scripted_camera.h"

namespace settings_test {

class CameraStore {
  public:
    explicit CameraStore(int modelCode = 13);

    // Connects device and forgets the connection's requests.
    void connect(norvik::api::QuorixDevice& device);

    void put(const std::string& key, const Json::Value& value);
    Json::Value stored(const std::string& key) const;
    bool has(const std::string& key) const;
    // Requests for key fail with message from now on.
    void failSet(const std::string& key, const std::string& message = "refused");
    void failGet(const std::string& key, const std::string& message = "unreadable");

    // Parameter names of the set and get requests received, in order.
    std::vector<std::string> sets() const;
    std::vector<std::string> gets() const;

    quorix_test::ScriptedCamera camera;

  private:
    std::vector<std::string> names(const char* command) const;

    mutable std::mutex mutex_;
    std::map<std::string, Json::Value> values_;
    std::map<std::string, std::string> failSet_;
    std::map<std::string, std::string> failGet_;
};

// The request text as the library writes it.
std::string wire(const Json::Value& request);

}  // namespace settings_test
