#include "view_session.h"

#include <json/reader.h>
#include <json/writer.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "device_text.h"
#include "quorixexport/calibration_file.h"
#include "setting_table.h"
#include "view_saves.h"
#include "view_settings.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;
namespace files = norvik::files;
using viewer::ClientId;

namespace {

// A failed capture is retried after this pause, so that a camera that went away is not hammered.
constexpr auto kRetryPause = std::chrono::milliseconds(500);
// A tab whose last frame is still queued is offered the next frame after this pause.
constexpr auto kBusyRetry = std::chrono::milliseconds(200);

std::string toText(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

bool parseMessage(const std::string& text, Json::Value& message, std::string& error) {
    Json::CharReaderBuilder builder;
    builder["stackLimit"] = 20;
    builder["failIfExtra"] = true;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &message, &error)) return false;
    } catch (const std::exception& e) {  // the reader throws when nesting exceeds stackLimit
        error = e.what();
        return false;
    }
    if (!message.isObject() || !message["type"].isString()) {
        error = "a message is a JSON object with a \"type\"";
        return false;
    }
    return true;
}

Json::Value typed(const char* type) {
    Json::Value message(Json::objectValue);
    message["type"] = type;
    return message;
}

Json::Value failure(const char* type, const std::string& text, const api::ErrorStatus& status) {
    Json::Value message = typed(type);
    message["message"] = text.empty() ? status.message : text + ": " + status.message;
    message["code"] = status.code;
    message["codeName"] = errorCodeName(status.code);
    return message;
}

double elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

ViewSession::ViewSession(const api::QuorixDevice& device) : device_(device) {}

ViewSession::~ViewSession() { stop(); }

viewer::ServerHandlers ViewSession::handlers() {
    viewer::ServerHandlers h;
    h.opened = [this](ClientId client) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tabs_[client] = Tab{};
        }
        enqueue([this, client] {
            lastHello_ = helloMessage();
            sendJson(client, lastHello_);
            Json::Value settings = typed("settings");
            settings["settings"] = describeSettings(device_);
            sendJson(client, settings);
            sendJson(client, userSetsMessage());
        });
    };
    h.closed = [this](ClientId client) {
        std::lock_guard<std::mutex> lock(mutex_);
        tabs_.erase(client);
    };
    h.text = [this](ClientId client, const std::string& text) { received(client, text); };
    h.request = [this](const std::string& target, viewer::Respond respond) {
        return requested(target, std::move(respond));
    };
    return h;
}

void ViewSession::start(viewer::WebServer& server) {
    server_ = &server;
    worker_ = std::thread([this] { work(); });
}

void ViewSession::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    // Unanswered requests hold their connections: release them while the server still exists.
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.clear();
}

std::uint32_t ViewSession::framesCaptured() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return captured_;
}

void ViewSession::enqueue(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void ViewSession::received(ClientId client, const std::string& text) {
    try {
        handleMessage(client, text);
    } catch (const std::exception& e) {
        Json::Value reply = typed("error");
        reply["message"] = std::string("request failed: ") + e.what();
        sendJson(client, reply);
    }
}

void ViewSession::handleMessage(ClientId client, const std::string& text) {
    Json::Value message;
    std::string error;
    if (!parseMessage(text, message, error)) {
        Json::Value reply = typed("error");
        reply["message"] = "malformed message: " + error;
        sendJson(client, reply);
        return;
    }
    const std::string type = message["type"].asString();
    if (type == "next") {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto found = tabs_.find(client);
            if (found != tabs_.end()) found->second.waiting = true;
        }
        wake_.notify_all();
    } else if (type == "stream") {
        const Json::Value& step = message["step"];
        if (!step.isUInt() || (step.asUInt() != 1 && step.asUInt() != 2 && step.asUInt() != 4)) {
            Json::Value reply = typed("error");
            reply["message"] = "the stream's step is 1, 2 or 4";
            sendJson(client, reply);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = tabs_.find(client);
        if (found != tabs_.end()) found->second.step = step.asUInt();
    } else if (type == "set") {
        enqueue([this, client, message] { applySetting(client, message); });
    } else if (type == "settings") {
        enqueue([this, client] {
            Json::Value settings = typed("settings");
            settings["settings"] = describeSettings(device_);
            sendJson(client, settings);
        });
    } else if (type == "userSet") {
        enqueue([this, client, message] { userSetAction(client, message); });
    } else {
        Json::Value reply = typed("error");
        reply["message"] = "unknown message type \"" + type + "\"";
        sendJson(client, reply);
    }
}

bool ViewSession::requested(const std::string& target, viewer::Respond respond) {
    static const std::string prefix = "/save/";
    if (target.compare(0, prefix.size(), prefix) != 0) return false;
    const std::size_t query = target.find('?');
    const std::string name =
        target.substr(prefix.size(), query == std::string::npos ? query : query - prefix.size());
    std::uint32_t sequence = 0;  // 0: the newest frame
    if (query != std::string::npos && target.compare(query, 7, "?frame=") == 0)
        sequence = static_cast<std::uint32_t>(std::strtoul(target.c_str() + query + 7, nullptr, 10));
    enqueue([this, name, sequence, respond] { save(name, sequence, respond); });
    return true;
}

void ViewSession::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            auto tabsWith = [this](bool busy) {
                for (const auto& entry : tabs_)
                    if (entry.second.waiting && entry.second.busy == busy) return true;
                return false;
            };
            auto ready = [&] { return stopping_ || !jobs_.empty() || tabsWith(false); };
            if (tabsWith(true)) {
                // A tab that does not read its frames is offered the next one a little later.
                wake_.wait_for(lock, kBusyRetry, ready);
                for (auto& entry : tabs_) entry.second.busy = false;
            } else {
                wake_.wait(lock, ready);
            }
            if (stopping_) return;
            if (!jobs_.empty()) {
                job = std::move(jobs_.front());
                jobs_.pop_front();
            } else if (!tabsWith(false)) {
                continue;
            }
        }
        // Requests from the tabs go before the next capture. Nothing a tab sends may end the viewer.
        try {
            if (job)
                job();
            else
                captureAndSend();
        } catch (const std::exception& e) {
            Json::Value reply = typed("error");
            reply["message"] = std::string("request failed: ") + e.what();
            broadcastJson(reply);
        }
    }
}

void ViewSession::captureAndSend() {
    const std::size_t slot = (newest_ + 1) % recent_.size();
    Snapshot& shot = recent_[slot];
    auto start = std::chrono::steady_clock::now();
    api::ErrorStatus status = device_.captureColorMap(shot.color);
    times_.capture2D = static_cast<float>(elapsedMs(start));
    start = std::chrono::steady_clock::now();
    if (status.isOk()) status = device_.captureDepthMap(shot.depth);
    times_.captureDepth = static_cast<float>(elapsedMs(start));
    if (!status.isOk()) {
        shot.sequence = 0;  // the failed capture released this slot's frames: nothing to save from it
        broadcastJson(failure("status", "capture failed", status));
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, kRetryPause, [this] { return stopping_ || !jobs_.empty(); });
        return;
    }
    device_.getDeviceIntri(shot.intri);
    std::uint32_t sequence;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sequence = ++captured_;
    }
    shot.sequence = sequence;
    newest_ = slot;

    std::map<std::uint32_t, std::vector<ClientId>> receivers;  // by step
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [client, tab] : tabs_) {
            if (!tab.waiting || tab.busy) continue;
            tab.waiting = false;
            receivers[tab.step].push_back(client);
        }
    }
    // Each step is encoded once, whatever the number of tabs that share it.
    double encodeMs = 0, sendMs = 0;
    for (const auto& [step, clients] : receivers) {
        start = std::chrono::steady_clock::now();
        auto message = std::make_shared<std::string>();
        encodeFrameMessage(sequence, shot.color, shot.depth, times_, step, *message);
        const double encoded = elapsedMs(start);
        // The frame carries its own encoding time; the sending time travels with the next frame.
        const float ms = static_cast<float>(encoded);
        std::memcpy(&(*message)[offsetof(FrameHeader, times) + offsetof(FrameTimes, encode)], &ms, sizeof ms);
        encodeMs += encoded;
        start = std::chrono::steady_clock::now();
        for (ClientId client : clients) {
            // A tab whose last frame is still queued for its socket waits for the one after.
            server_->sendBinaryUnlessBusy(client, message, [this, client] {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    const auto found = tabs_.find(client);
                    if (found != tabs_.end()) found->second.waiting = found->second.busy = true;
                }
                wake_.notify_all();
            });
        }
        sendMs += elapsedMs(start);
    }
    times_.encode = static_cast<float>(encodeMs);
    times_.previousSend = static_cast<float>(sendMs);
}

void ViewSession::applySetting(ClientId client, const Json::Value& message) {
    const Json::Value& name = message["name"];
    const api::SettingDescription* setting = name.isString() ? findSetting(name.asString()) : nullptr;
    if (!setting) {
        Json::Value reply = typed("refused");
        reply["name"] = name;
        reply["message"] = "unknown setting " + (name.isString() ? name.asString() : toText(name));
        sendJson(client, reply);
        return;
    }
    const api::ErrorStatus status = writeSetting(device_, *setting, message["value"]);
    if (!status.isOk()) {
        Json::Value reply = failure("refused", "", status);
        reply["name"] = setting->name;
        sendJson(client, reply);
    }
    // Every tab shows what the camera now holds, the refused tab included.
    Json::Value value;
    if (readSetting(device_, *setting, value).isOk()) {
        Json::Value update = typed("setting");
        update["name"] = setting->name;
        update["value"] = value;
        broadcastJson(update);
    }
    // Some settings change the image sizes or the calibration.
    if (status.isOk()) {
        Json::Value hello = helloMessage();
        if (hello != lastHello_) broadcastJson(lastHello_ = hello);
    }
}

void ViewSession::userSetAction(ClientId client, const Json::Value& message) {
    const std::string action = message["action"].isString() ? message["action"].asString() : "";
    const std::string name = message["name"].isString() ? message["name"].asString() : "";
    api::ErrorStatus status;
    if (action == "select")
        status = device_.setCurrentUserSet(name);
    else if (action == "add")
        status = device_.addUserSet(name);
    else if (action == "delete")
        status = device_.deleteUserSet(name);
    else if (action == "save")
        status = device_.saveAllSettingsToUserSets();
    else if (action != "list")
        status = api::ErrorStatus(api::WriteError, "unknown user-set action \"" + action + "\"");
    if (!status.isOk()) {
        Json::Value reply = failure("refused", "user set " + action, status);
        reply["name"] = name;
        sendJson(client, reply);
    }
    if (action == "list") {
        sendJson(client, userSetsMessage());
        return;
    }
    broadcastJson(userSetsMessage());
    if (status.isOk() && (action == "select" || action == "add")) {
        // Another set brings other values.
        Json::Value settings = typed("settings");
        settings["settings"] = describeSettings(device_);
        broadcastJson(settings);
        broadcastJson(lastHello_ = helloMessage());
    }
}

void ViewSession::save(const std::string& name, std::uint32_t sequence, const viewer::Respond& respond) {
    const auto& names = frameFileNames();
    if (std::find(names.begin(), names.end(), name) == names.end())
        return respond(plainReply(404, "no such file: " + name));
    // The frame asked for, or the newest when it is gone or none was named.
    const Snapshot* shot = &recent_[newest_];
    for (const Snapshot& s : recent_)
        if (sequence != 0 && s.sequence == sequence) shot = &s;
    if (shot->sequence == 0) return respond(plainReply(503, "no frame has been captured yet"));
    respond(frameFileReply(name, shot->sequence, shot->color, shot->depth, shot->intri));
}

Json::Value ViewSession::helloMessage() {
    Json::Value hello = typed("hello");
    api::QuorixDeviceInfo info;
    api::DeviceResolution resolution;
    api::DeviceIntri intri;
    device_.getDeviceInfo(info);
    device_.getDeviceResolution(resolution);
    device_.getDeviceIntri(intri);
    hello["identity"] = identityToJson(info);
    hello["resolution"] = resolutionToJson(resolution);
    hello["calibration"] = files::calibrationToValue(intri);
    Json::Value saves(Json::arrayValue);
    for (const std::string& name : frameFileNames()) saves.append(name);
    hello["saves"] = saves;
    return hello;
}

Json::Value ViewSession::userSetsMessage() {
    Json::Value message = typed("userSets");
    std::vector<std::string> names;
    std::string current;
    const api::ErrorStatus listed = device_.getAllUserSets(names);
    const api::ErrorStatus read = device_.getCurrentUserSet(current);
    message["current"] = current;
    message["names"] = Json::Value(Json::arrayValue);
    for (const auto& n : names) message["names"].append(n);
    if (!listed.isOk() || !read.isOk()) message["error"] = (listed.isOk() ? read : listed).message;
    return message;
}

void ViewSession::sendJson(ClientId client, const Json::Value& message) {
    if (server_) server_->sendText(client, toText(message));
}

void ViewSession::broadcastJson(const Json::Value& message) {
    std::vector<ClientId> clients;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : tabs_) clients.push_back(entry.first);
    }
    const std::string text = toText(message);
    for (ClientId client : clients) server_->sendText(client, text);
}

}  // namespace tool
}  // namespace quorix
