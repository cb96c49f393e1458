#include "bench_camera.h"

#include <json/json.h>

#include <string_view>

#include "bench_sizes.h"
#include "transport/framing.h"
#include "transport/protocol_names.h"

namespace bench {

namespace member = norvik::protocol::member;
namespace command = norvik::protocol::command;

namespace {

std::string framed(const Json::Value& body, const std::string& tail = {}) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return norvik::protocol::frameReply(Json::writeString(builder, body), tail);
}

std::string imageTail(double scale, int rows, int cols, int type, const std::string& payload) {
    std::string tail;
    norvik::protocol::appendDoubleBE(tail, scale);
    for (int v : {rows, cols, type, static_cast<int>(payload.size())})
        norvik::protocol::appendInt32BE(tail, v);
    return tail + payload;
}

}  // namespace

BenchCamera::BenchCamera(int cols, int rows) : socket_(context_, zmq::socket_type::rep) {
    socket_.set(zmq::sockopt::linger, 0);
    socket_.set(zmq::sockopt::rcvtimeo, 50);
    socket_.bind("tcp://127.0.0.1:*");
    const std::string endpoint = socket_.get(zmq::sockopt::last_endpoint);
    port_ = std::stoi(endpoint.substr(endpoint.rfind(':') + 1));

    Json::Value info;
    info[member::CameraInfo][member::QuorixId] = "QX-BENCH";
    info[member::CameraInfo][member::Model] = 13;
    info[member::CameraInfo][member::Version] = "2.1.0";
    info[member::CameraInfo][member::IpAddress] = "127.0.0.1";
    infoReply_ = framed(info);

    const norvik::api::DeviceIntri in = realisticIntri(cols, rows);
    Json::Value intri;
    for (auto [name, cam] : {std::pair{member::Intrinsic3DCamera, &in.intrinsic3DCamera},
                             std::pair{member::Intrinsic2DCamera, &in.intrinsic2DCamera}}) {
        for (double v : cam->intrinsic) intri[member::CameraIntri][name][member::Intrinsic].append(v);
        for (double v : cam->distCoefficients)
            intri[member::CameraIntri][name][member::DistCoefficients].append(v);
    }
    for (double v : {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0})
        intri[member::CameraIntri][member::Cam3DInCam2D].append(v);
    intriReply_ = framed(intri);

    Json::Value format;
    for (int v : {cols, rows}) {
        format[member::ImageFormat][member::ImageSize2D].append(v);
        format[member::ImageFormat][member::ImageSize3D].append(v);
    }
    formatReply_ = framed(format);

    const Json::Value empty(Json::objectValue);
    depthReply_ = framed(empty, imageTail(kScale, rows, cols, 0, depthPayload(cols, rows)));
    depthOffset_ = depthReply_.size() - std::size_t(cols) * rows * 2;
    const auto color = colorImage(cols, rows);
    colorReply_ = framed(empty, imageTail(0.0, rows, cols, norvik::protocol::kPixelTypeBgr,
                                          std::string(reinterpret_cast<const char*>(color.data()),
                                                      std::size_t(cols) * rows * 3)));
    thread_ = std::thread([this] { serve(); });
}

BenchCamera::~BenchCamera() {
    stop_ = true;
    thread_.join();
}

void BenchCamera::serve() {
    while (!stop_) {
        zmq::message_t request;
        if (!socket_.recv(request, zmq::recv_flags::none)) continue;
        // Viewed in place: the camera side must not add allocations to those counted for the library.
        const std::string_view text(static_cast<const char*>(request.data()), request.size());
        const std::string* reply = &infoReply_;
        if (text.find(command::CaptureImage) != std::string_view::npos)
            reply = text.find("8193") != std::string_view::npos ? &depthReply_ : &colorReply_;
        else if (text.find(command::GetGroupIntri) != std::string_view::npos)
            reply = &intriReply_;
        else if (text.find(command::GetImageFormat) != std::string_view::npos)
            reply = &formatReply_;
        // The prebuilt bytes outlive every send: no copy, nothing to free.
        zmq::message_t message(const_cast<char*>(reply->data()), reply->size(), nullptr, nullptr);
        socket_.send(message, zmq::send_flags::none);
    }
}

}  // namespace bench
