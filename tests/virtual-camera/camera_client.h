#pragma once

// Talks to a virtual camera over raw ZeroMQ, as a camera client would, and decodes its replies by hand.

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <zmq.hpp>

#include "transport/framing.h"
#include "transport/protocol_names.h"

namespace vcam_test {

namespace proto = norvik::protocol;

inline std::string compact(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value) + "\n";
}

struct Capture {
    Json::Value json;
    double scale = 0;
    std::int32_t rows = 0, cols = 0, type = 0, byteCount = 0;
    std::string payload;

    // Depth in millimetres at (col, row); 0 where there is no measurement.
    double depthAt(int col, int row) const {
        const std::size_t i = 2 * (static_cast<std::size_t>(row) * cols + col);
        const int raw =
            static_cast<unsigned char>(payload[i]) | (static_cast<unsigned char>(payload[i + 1]) << 8);
        return (raw - proto::kDepthOffset) / scale;
    }
    const unsigned char* pixel(int col, int row) const {
        const int channels = type == proto::kPixelTypeBgr ? 3 : 1;
        return reinterpret_cast<const unsigned char*>(payload.data()) +
               channels * (static_cast<std::size_t>(row) * cols + col);
    }
};

class CameraClient {
  public:
    explicit CameraClient(std::uint16_t port, const std::string& address = "127.0.0.1", int timeoutMs = 3000)
        : socket_(context_, zmq::socket_type::req) {
        socket_.set(zmq::sockopt::linger, 0);
        socket_.set(zmq::sockopt::rcvtimeo, timeoutMs);
        socket_.connect("tcp://" + address + ":" + std::to_string(port));
    }

    // The whole reply message, or nothing when none came in time.
    std::optional<std::string> exchange(const std::string& request) {
        socket_.send(zmq::buffer(request), zmq::send_flags::none);
        zmq::message_t reply;
        if (!socket_.recv(reply)) return std::nullopt;
        return reply.to_string();
    }

    // The reply's JSON object (null when there was no reply or it does not parse).
    Json::Value request(const Json::Value& body) {
        const auto reply = exchange(compact(body));
        return reply ? parseJson(*reply) : Json::Value();
    }

    Json::Value command(const char* cmd) {
        Json::Value body;
        body[proto::member::Cmd] = cmd;
        return request(body);
    }

    Json::Value getParam(const std::string& name) {
        Json::Value body;
        body[proto::member::Cmd] = proto::command::GetCameraParams;
        body[proto::member::PropertyName] = name;
        return request(body);
    }

    Json::Value setParam(const std::string& name, const Json::Value& value) {
        Json::Value body;
        body[proto::member::Cmd] = proto::command::SetCameraParams;
        body[proto::member::PropertyName] = name;
        body[proto::member::PropertyValue] = value;
        return request(body);
    }

    Json::Value userSet(const char* cmd, const std::string& name) {
        Json::Value body;
        body[proto::member::Cmd] = cmd;
        body[proto::member::ConfigName] = name;
        return request(body);
    }

    Json::Value save() {
        Json::Value body;
        body[proto::member::Cmd] = proto::command::SetCameraConfig;
        body[proto::member::CameraConfig] = Json::Value();
        body[proto::member::Persistent] = true;
        return request(body);
    }

    std::optional<Capture> capture(proto::ImageType type) {
        Json::Value body;
        body[proto::member::Cmd] = proto::command::CaptureImage;
        body[proto::member::ImageType] = static_cast<int>(type);
        const auto reply = exchange(compact(body));
        if (!reply) return std::nullopt;
        return decodeCapture(*reply);
    }

    static Json::Value parseJson(const std::string& reply) {
        int cursor = 0;
        const std::int32_t length = proto::readInt32BE(reply, cursor);
        if (length < 0 || reply.size() < proto::kLengthPrefixBytes + static_cast<std::size_t>(length))
            return {};
        Json::CharReaderBuilder builder;
        Json::CharReaderBuilder::strictMode(&builder.settings_);
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value value;
        const char* begin = reply.data() + proto::kLengthPrefixBytes;
        if (!reader->parse(begin, begin + length, &value, nullptr)) return {};
        return value;
    }

    static std::optional<Capture> decodeCapture(const std::string& reply) {
        Capture c;
        c.json = parseJson(reply);
        if (!c.json.isObject()) return std::nullopt;
        int cursor = 0;
        const std::int32_t length = proto::readInt32BE(reply, cursor);
        cursor += length;
        if (reply.size() < static_cast<std::size_t>(cursor) + proto::kImageHeaderBytes) {
            if (c.json.isMember(proto::member::ErrMsg)) return c;
            return std::nullopt;
        }
        c.scale = proto::readDoubleBE(reply, cursor);
        c.rows = proto::readInt32BE(reply, cursor);
        c.cols = proto::readInt32BE(reply, cursor);
        c.type = proto::readInt32BE(reply, cursor);
        c.byteCount = proto::readInt32BE(reply, cursor);
        c.payload = reply.substr(static_cast<std::size_t>(cursor));
        return c;
    }

  private:
    zmq::context_t context_{1};
    zmq::socket_t socket_;
};

// A region of interest as the camera takes it.
inline Json::Value roi(int x, int y, int w, int h) {
    namespace member = norvik::protocol::member;
    Json::Value v;
    v[member::RoiX] = x;
    v[member::RoiY] = y;
    v[member::RoiWidth] = w;
    v[member::RoiHeight] = h;
    return v;
}

inline std::string errorOf(const Json::Value& reply) {
    return reply.isObject() ? reply.get(proto::member::ErrMsg, "").asString() : std::string("<no reply>");
}

}  // namespace vcam_test
