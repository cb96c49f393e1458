#include "support/scripted_camera.h"

#include "transport/framing.h"
#include "transport/protocol_names.h"

namespace quorix_test {

namespace cmd = norvik::protocol::command;
namespace member = norvik::protocol::member;

ScriptedCamera::ScriptedCamera() : router_(context_, zmq::socket_type::router) {
    router_.set(zmq::sockopt::linger, 0);
    router_.bind("tcp://127.0.0.1:*");
    const std::string endpoint = router_.get(zmq::sockopt::last_endpoint);
    port_ = std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
    thread_ = std::thread([this] { serve(); });
}

ScriptedCamera::~ScriptedCamera() {
    stop_ = true;
    thread_.join();
}

void ScriptedCamera::on(const std::string& command, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_[command] = std::move(handler);
}

void ScriptedCamera::queue(const std::string& command, Reply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_[command].push_back(std::move(reply));
}

void ScriptedCamera::queueNext(Reply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    queuedNext_.push_back(std::move(reply));
}

std::vector<std::string> ScriptedCamera::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::vector<std::string> ScriptedCamera::commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void ScriptedCamera::clearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    commands_.clear();
}

Reply ScriptedCamera::json(const Json::Value& body, const std::string& tail) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return {norvik::protocol::frameReply(Json::writeString(builder, body), tail)};
}

Reply ScriptedCamera::error(const std::string& message) {
    Json::Value body;
    body[member::ErrMsg] = message;
    return json(body);
}

Reply ScriptedCamera::raw(std::string bytes) { return {std::move(bytes)}; }

Json::Value ScriptedCamera::identity(int modelCode, const std::string& firmware) {
    Json::Value info;
    info[member::QuorixId] = "QX-TEST-0001";
    info[member::Model] = modelCode;
    info[member::CamVersion] = "1.0";
    info[member::Version] = firmware;
    info[member::IpAddress] = "127.0.0.1";
    info[member::Port] = 5577;
    info[member::IsVirtual] = false;
    return info;
}

Json::Value ScriptedCamera::calibration() {
    auto camera = [](double fx, double fy, double cx, double cy) {
        Json::Value c;
        for (double v : {fx, fy, cx, cy}) c[member::Intrinsic].append(v);
        for (double v : {0.01, -0.02, 0.0, 0.0, 0.001}) c[member::DistCoefficients].append(v);
        return c;
    };
    Json::Value intri;
    intri[member::Intrinsic3DCamera] = camera(1000.0, 1001.0, 640.0, 512.0);
    intri[member::Intrinsic2DCamera] = camera(1500.0, 1502.0, 960.0, 600.0);
    for (double v : {0.05, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0}) intri[member::Cam3DInCam2D].append(v);
    return intri;
}

void ScriptedCamera::serveIdentity(int modelCode, const std::string& firmware) {
    on(cmd::GetCameraInfo, [=](const Json::Value&) {
        Json::Value body;
        body[member::CameraInfo] = identity(modelCode, firmware);
        return json(body);
    });
    on(cmd::GetGroupIntri, [](const Json::Value&) {
        Json::Value body;
        body[member::CameraIntri] = calibration();
        return json(body);
    });
    on(cmd::GetImageFormat, [](const Json::Value&) {
        Json::Value body;
        body[member::ImageFormat][member::ImageSize2D].append(1920);
        body[member::ImageFormat][member::ImageSize2D].append(1200);
        body[member::ImageFormat][member::ImageSize3D].append(1280);
        body[member::ImageFormat][member::ImageSize3D].append(1024);
        return json(body);
    });
}

Reply ScriptedCamera::answer(const std::string& body) {
    Json::Value request;
    Json::Reader reader;
    reader.parse(body, request);
    const std::string command =
        request.isObject() && request[member::Cmd].isString() ? request[member::Cmd].asString() : "";
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(body);
        commands_.push_back(command);
        if (!queuedNext_.empty()) {
            Reply reply = std::move(queuedNext_.front());
            queuedNext_.pop_front();
            return reply;
        }
        auto queued = queued_.find(command);
        if (queued != queued_.end() && !queued->second.empty()) {
            Reply reply = std::move(queued->second.front());
            queued->second.pop_front();
            return reply;
        }
        auto found = handlers_.find(command);
        if (found != handlers_.end()) handler = found->second;
    }
    if (handler) return handler(request);
    return error("Unknown command " + command);
}

void ScriptedCamera::serve() {
    while (!stop_) {
        zmq::pollitem_t item{router_.handle(), 0, ZMQ_POLLIN, 0};
        zmq::poll(&item, 1, std::chrono::milliseconds(5));
        const auto now = std::chrono::steady_clock::now();
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->due > now) {
                ++it;
                continue;
            }
            router_.send(zmq::buffer(it->routingId), zmq::send_flags::sndmore);
            router_.send(zmq::message_t(), zmq::send_flags::sndmore);
            router_.send(zmq::buffer(it->bytes), zmq::send_flags::none);
            it = pending_.erase(it);
        }
        if (!(item.revents & ZMQ_POLLIN)) continue;
        // A REQ peer sends: routing id, empty delimiter, body.
        std::vector<zmq::message_t> parts;
        do {
            zmq::message_t part;
            if (!router_.recv(part, zmq::recv_flags::none)) break;
            parts.push_back(std::move(part));
        } while (router_.get(zmq::sockopt::rcvmore));
        if (parts.size() < 3) continue;
        Reply reply = answer(parts.back().to_string());
        if (reply.silent) continue;
        pending_.push_back({now + std::chrono::milliseconds(reply.delayMs), parts.front().to_string(),
                            std::move(reply.bytes)});
    }
}

}  // namespace quorix_test
