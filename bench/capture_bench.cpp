// Captures over loopback from the benchmark camera, against a raw ZeroMQ round trip of the same reply plus
// the decoding, with the allocations made per capture.

#include <benchmark/benchmark.h>

#include "allocation_counter.h"
#include "bench_camera.h"
#include "bench_sizes.h"
#include "imaging/decode.h"
#include "quorix/QuorixDevice.h"
#include "transport/protocol_names.h"

namespace {

using namespace norvik::api;

const int kCols = 1920, kRows = 1200;

void RawRoundTripPlusDecode(benchmark::State& state) {
    bench::BenchCamera camera(kCols, kRows);
    zmq::context_t context;
    zmq::socket_t socket(context, zmq::socket_type::req);
    socket.connect("tcp://127.0.0.1:" + std::to_string(camera.port()));
    const std::string request = "{\"cmd\":\"CaptureImage\",\"image_type\":8193}\n";
    norvik::imaging::ImageHeader header;
    header.scale = bench::kScale;
    header.rows = kRows;
    header.cols = kCols;
    header.byteCount = kRows * kCols * 2;
    Frame<ElementDepth> depth;
    for (auto _ : state) {
        socket.send(zmq::buffer(request), zmq::send_flags::none);
        zmq::message_t reply;
        if (!socket.recv(reply, zmq::recv_flags::none)) state.SkipWithError("no reply");
        const std::string_view payload(static_cast<const char*>(reply.data()) + camera.depthPayloadOffset(),
                                       std::size_t(header.byteCount));
        norvik::imaging::decodeDepthMap(header, payload, depth);
    }
}

template <typename Element>
void Capture(benchmark::State& state, ErrorStatus (QuorixDevice::*capture)(Frame<Element>&) const) {
    bench::BenchCamera camera(kCols, kRows);
    QuorixDevice device;
    if (!device.connect("127.0.0.1", camera.port(), 5000).isOk()) state.SkipWithError("cannot connect");
    Frame<Element> frame;
    (device.*capture)(frame);  // first capture sizes the frame
    for (auto _ : state) {
        if (!(device.*capture)(frame).isOk()) state.SkipWithError("capture failed");
    }
    // Counted apart from the timed loop, so that the benchmark library's own allocations stay out.
    const int captures = 10;
    const std::uint64_t count0 = bench::allocationCount(), bytes0 = bench::allocatedBytes();
    for (int k = 0; k < captures; ++k) (device.*capture)(frame);
    state.counters["allocs/capture"] = double(bench::allocationCount() - count0) / captures;
    state.counters["alloc_bytes/capture"] = double(bench::allocatedBytes() - bytes0) / captures;
}

void CaptureDepthMap(benchmark::State& state) {
    Capture(state, &QuorixDevice::captureDepthMap);
}
void CapturePointXYZMap(benchmark::State& state) {
    Capture(state, &QuorixDevice::capturePointXYZMap);
}
void CapturePointXYZBGRMap(benchmark::State& state) {
    Capture(state, &QuorixDevice::capturePointXYZBGRMap);
}

BENCHMARK(RawRoundTripPlusDecode)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CaptureDepthMap)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CapturePointXYZMap)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CapturePointXYZBGRMap)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
