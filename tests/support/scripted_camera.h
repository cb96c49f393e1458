#pragma once

// A camera double for the tests: a ZeroMQ ROUTER on 127.0.0.1 (ephemeral port) in its own thread. A test
// scripts its replies per command (or queues one-shot replies), can hold replies back or stay silent, and
// reads back the exact bytes of every request it received.

#include <json/json.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <zmq.hpp>

namespace quorix_test {

struct Reply {
    std::string bytes;    // the whole reply message
    int delayMs = 0;      // held back this long
    bool silent = false;  // never answered
};

class ScriptedCamera {
public:
    using Handler = std::function<Reply(const Json::Value& request)>;

    ScriptedCamera();
    ~ScriptedCamera();
    ScriptedCamera(const ScriptedCamera&) = delete;
    ScriptedCamera& operator=(const ScriptedCamera&) = delete;

    int port() const { return port_; }
    static const char* address() { return "127.0.0.1"; }

    // Answers every later request for command with handler.
    void on(const std::string& command, Handler handler);
    // Answers the next request for command with reply (before any handler); several queue up in order.
    void queue(const std::string& command, Reply reply);
    // Answers the next request, whatever its command, with reply.
    void queueNext(Reply reply);

    // Identity, calibration and image sizes of a healthy camera of the given model and firmware.
    void serveIdentity(int modelCode = 13, const std::string& firmware = "2.1.0");

    // Exact bytes of the requests received so far, and their "cmd" values.
    std::vector<std::string> requests() const;
    std::vector<std::string> commands() const;
    void clearRequests();

    // Reply builders: a JSON object framed with its length prefix, optionally followed by binary bytes.
    static Reply json(const Json::Value& body, const std::string& tail = {});
    static Reply error(const std::string& message);
    static Reply raw(std::string bytes);

    static Json::Value identity(int modelCode, const std::string& firmware);
    static Json::Value calibration();

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::string routingId;
        std::string bytes;
    };

    void serve();
    Reply answer(const std::string& body);

    zmq::context_t context_;
    zmq::socket_t router_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Handler> handlers_;
    std::map<std::string, std::deque<Reply>> queued_;
    std::deque<Reply> queuedNext_;
    std::vector<std::string> requests_;
    std::vector<std::string> commands_;
    std::vector<Pending> pending_;
    std::thread thread_;
};

}  // namespace quorix_test
