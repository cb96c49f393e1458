#include "camera_store.h"

#include <gtest/gtest.h>

#include "transport/json_codec.h"
#include "transport/protocol_names.h"

namespace settings_test {

namespace command = norvik::protocol::command;
namespace member = norvik::protocol::member;
using quorix_test::ScriptedCamera;

CameraStore::CameraStore(int modelCode) {
    camera.serveIdentity(modelCode);
    camera.on(command::SetCameraParams, [this](const Json::Value& request) {
        const std::string key = request[member::PropertyName].asString();
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto f = failSet_.find(key); f != failSet_.end()) return ScriptedCamera::error(f->second);
        values_[key] = request[member::PropertyValue];
        return ScriptedCamera::json(Json::Value(Json::objectValue));
    });
    camera.on(command::GetCameraParams, [this](const Json::Value& request) {
        const std::string key = request[member::PropertyName].asString();
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto f = failGet_.find(key); f != failGet_.end()) return ScriptedCamera::error(f->second);
        Json::Value body(Json::objectValue);
        if (auto v = values_.find(key); v != values_.end()) body[member::PropertyValue] = v->second;
        return ScriptedCamera::json(body);
    });
}

void CameraStore::connect(norvik::api::QuorixDevice& device) {
    ASSERT_TRUE(device.connect(ScriptedCamera::address(), camera.port(), 2000).isOk());
    camera.clearRequests();
}

void CameraStore::put(const std::string& key, const Json::Value& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_[key] = value;
}

Json::Value CameraStore::stored(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto v = values_.find(key);
    return v == values_.end() ? Json::Value() : v->second;
}

bool CameraStore::has(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return values_.count(key) != 0;
}

void CameraStore::failSet(const std::string& key, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    failSet_[key] = message;
}

void CameraStore::failGet(const std::string& key, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    failGet_[key] = message;
}

std::vector<std::string> CameraStore::names(const char* command) const {
    std::vector<std::string> out;
    for (const std::string& text : camera.requests()) {
        Json::Value request;
        Json::Reader().parse(text, request);
        if (request[member::Cmd].asString() == command)
            out.push_back(request[member::PropertyName].asString());
    }
    return out;
}

std::vector<std::string> CameraStore::sets() const { return names(command::SetCameraParams); }
std::vector<std::string> CameraStore::gets() const { return names(command::GetCameraParams); }

std::string wire(const Json::Value& request) { return norvik::transport::writeRequest(request); }

}  // namespace settings_test
