// A 1920 x 1200 depth and colour pair from the virtual camera, rendered anew against the same pair reused
// (the reference: the same exchanges with rendering skipped). Run with the machine otherwise idle.

#include <benchmark/benchmark.h>
#include <json/json.h>

#include <zmq.hpp>

#include "transport/protocol_names.h"
#include "virtualcam/virtual_camera.h"

namespace {

namespace proto = norvik::protocol;

std::string compact(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value) + "\n";
}

class Session {
  public:
    Session() : camera_(options()), socket_(context_, zmq::socket_type::req) {
        camera_.start();
        socket_.set(zmq::sockopt::linger, 0);
        socket_.connect(camera_.endpoint());
    }

    std::size_t exchange(const Json::Value& request) {
        const std::string text = compact(request);
        socket_.send(zmq::buffer(text), zmq::send_flags::none);
        zmq::message_t reply;
        (void)socket_.recv(reply);
        return reply.size();
    }

    std::size_t capturePair() {
        std::size_t bytes = 0;
        for (auto type : {proto::ImageType::Depth, proto::ImageType::Color}) {
            Json::Value request;
            request[proto::member::Cmd] = proto::command::CaptureImage;
            request[proto::member::ImageType] = static_cast<int>(type);
            bytes += exchange(request);
        }
        return bytes;
    }

    // A change to a setting that shapes each image, so that both are rendered again.
    void changeSettings(int i) {
        for (const char* name : {proto::parameter::Scan3DGain, proto::parameter::Scan2DExposureTime}) {
            Json::Value request;
            request[proto::member::Cmd] = proto::command::SetCameraParams;
            request[proto::member::PropertyName] = name;
            request[proto::member::PropertyValue] = 2.0 + (i & 1);
            exchange(request);
        }
    }

  private:
    static quorix::virtualcam::Options options() {
        quorix::virtualcam::Options o;
        o.modelCode = 13;  // 1920 x 1200 for both images
        return o;
    }
    quorix::virtualcam::VirtualCamera camera_;
    zmq::context_t context_{1};
    zmq::socket_t socket_;
};

void BM_CapturePairReused(benchmark::State& state) {
    Session session;
    session.capturePair();
    for (auto _ : state) benchmark::DoNotOptimize(session.capturePair());
}
BENCHMARK(BM_CapturePairReused)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CapturePairRendered(benchmark::State& state) {
    Session session;
    int i = 0;
    for (auto _ : state) {
        session.changeSettings(i++);
        benchmark::DoNotOptimize(session.capturePair());
    }
}
BENCHMARK(BM_CapturePairRendered)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
