#pragma once

// The camera behind the viewer: one worker thread owns every exchange with the camera, so that captures,
// settings changes and user-set actions never interleave, whichever tab asks. Each tab asks for its next
// frame when it has taken the last one ("next"); a capture starts when at least one tab waits, and its
// message goes to every waiting tab, so tabs share frames and a slow tab never queues more than one.
//
// Messages from a tab (JSON text):
//   {"type": "next"}                              the next frame, please
//   {"type": "stream", "step": 1 | 2 | 4}         every step-th pixel and row from now on (view_frame.h)
//   {"type": "set", "name": N, "value": V}        change a setting
//   {"type": "settings"}                          the settings again
//   {"type": "userSet", "action": "list" | "select" | "save" | "add" | "delete", "name": N}
// Messages to a tab: binary frames (view_frame.h) and JSON texts of type "hello" (identity, image sizes,
// calibration), "settings" (view_settings.h), "setting" (a setting's value after a change, to every tab),
// "refused" (a change the camera or the library refused, with its message), "userSets", "status" (a capture
// failed) and "error" (a message that could not be understood).
// Files of the latest frames: GET /save/cloud.ply, cloud.pcd, color.png, depth.tiff (?frame=SEQUENCE).

#include <json/value.h>

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "quorix/QuorixDevice.h"
#include "view_frame.h"
#include "web_server.h"

namespace quorix {
namespace tool {

class ViewSession {
public:
    // The device must be connected and outlive the session.
    explicit ViewSession(const norvik::api::QuorixDevice& device);
    ~ViewSession();
    ViewSession(const ViewSession&) = delete;
    ViewSession& operator=(const ViewSession&) = delete;

    // What the web server calls; valid for the session's life.
    viewer::ServerHandlers handlers();
    // Starts the worker; messages go out through server, which must outlive the session or stop() it first.
    void start(viewer::WebServer& server);
    void stop();

    // Frames captured so far (for tests and the closing line).
    std::uint32_t framesCaptured() const;

private:
    struct Snapshot {
        std::uint32_t sequence = 0;
        norvik::api::Frame<norvik::api::ElementColor> color;
        norvik::api::Frame<norvik::api::ElementDepth> depth;
        norvik::api::DeviceIntri intri;
    };

    void received(viewer::ClientId client, const std::string& text);
    void handleMessage(viewer::ClientId client, const std::string& text);
    bool requested(const std::string& target, viewer::Respond respond);
    void enqueue(std::function<void()> job);
    void work();
    void captureAndSend();
    void applySetting(viewer::ClientId client, const Json::Value& message);
    void userSetAction(viewer::ClientId client, const Json::Value& message);
    void save(const std::string& name, std::uint32_t sequence, const viewer::Respond& respond);
    Json::Value helloMessage();
    Json::Value userSetsMessage();
    void sendJson(viewer::ClientId client, const Json::Value& message);
    void broadcastJson(const Json::Value& message);

    const norvik::api::QuorixDevice& device_;
    viewer::WebServer* server_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    struct Tab {
        bool waiting = false;  // for a frame
        bool busy = false;     // its last frame was still queued when the next was ready
        std::uint32_t step = 1;
    };
    std::map<viewer::ClientId, Tab> tabs_;  // every open tab
    bool stopping_ = false;
    std::uint32_t captured_ = 0;
    std::thread worker_;

    // The worker's own: the last frames (saves pick one by its sequence) and the message buffer.
    std::array<Snapshot, 3> recent_;
    std::size_t newest_ = 0;
    FrameTimes times_;
    Json::Value lastHello_;  // the identity, sizes and calibration last sent
};

}  // namespace tool
}  // namespace quorix
