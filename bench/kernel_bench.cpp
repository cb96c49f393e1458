// The imaging kernels and their references, at the two depth-map sizes.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_sizes.h"
#include "imaging/decode.h"
#include "imaging/point_cloud.h"
#include "imaging/texture_mask.h"
#include "reference_kernels.h"

namespace {

using namespace norvik::api;
using norvik::imaging::ImageHeader;

struct Inputs {
    int cols, rows;
    std::string payload;
    ImageHeader header;
    DeviceIntri intri;
    Frame<ElementColor> color;

    explicit Inputs(const benchmark::State& state)
        : cols(int(state.range(0))),
          rows(int(state.range(1))),
          payload(bench::depthPayload(cols, rows)),
          intri(bench::realisticIntri(cols, rows)),
          color(bench::colorImage(cols, rows)) {
        header.scale = bench::kScale;
        header.rows = rows;
        header.cols = cols;
        header.byteCount = int(payload.size());
    }
    std::size_t pixels() const { return std::size_t(cols) * rows; }
};

void setBytes(benchmark::State& state, const Inputs& in, std::size_t writtenPerPixel) {
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(in.pixels() * (2 + writtenPerPixel)));
}

void BoundRead2Write12(benchmark::State& state) {
    Inputs in(state);
    std::vector<float> out(in.pixels() * 3);
    bench::boundRead2Write12(in.payload, out.data(), in.pixels());  // warm-up: sizes the output
    for (auto _ : state) bench::boundRead2Write12(in.payload, out.data(), in.pixels());
    setBytes(state, in, 12);
}

void BoundRead2Write12SingleThread(benchmark::State& state) {
    Inputs in(state);
    std::vector<float> out(in.pixels() * 3);
    bench::boundRead2Write12(in.payload, out.data(), in.pixels(), 1);  // warm-up: sizes the output
    for (auto _ : state) bench::boundRead2Write12(in.payload, out.data(), in.pixels(), 1);
    setBytes(state, in, 12);
}

void BoundRead2Write4(benchmark::State& state) {
    Inputs in(state);
    std::vector<float> out(in.pixels());
    bench::boundRead2Write4(in.payload, out.data(), in.pixels());  // warm-up: sizes the output
    for (auto _ : state) bench::boundRead2Write4(in.payload, out.data(), in.pixels());
    setBytes(state, in, 4);
}

void PlainDoubleXYZ(benchmark::State& state) {
    Inputs in(state);
    std::vector<ElementPointXYZ> out(in.pixels());
    bench::plainPointXYZ(in.payload, in.cols, in.rows, bench::kScale, in.intri,
                         out.data());  // warm-up: sizes the output
    for (auto _ : state)
        bench::plainPointXYZ(in.payload, in.cols, in.rows, bench::kScale, in.intri, out.data());
    setBytes(state, in, 12);
}

void PlainDoubleXYZBGR(benchmark::State& state) {
    Inputs in(state);
    std::vector<ElementPointXYZBGR> out(in.pixels());
    bench::plainPointXYZBGR(in.payload, in.cols, in.rows, bench::kScale, in.intri, in.color, out.data());
    for (auto _ : state)
        bench::plainPointXYZBGR(in.payload, in.cols, in.rows, bench::kScale, in.intri, in.color, out.data());
    setBytes(state, in, 16);
}

void DecodeDepthMap(benchmark::State& state) {
    Inputs in(state);
    Frame<ElementDepth> frame;
    norvik::imaging::decodeDepthMap(in.header, in.payload, frame);  // warm-up: sizes the output
    for (auto _ : state) norvik::imaging::decodeDepthMap(in.header, in.payload, frame);
    setBytes(state, in, 4);
}

void ComputePointXYZ(benchmark::State& state) {
    Inputs in(state);
    Frame<ElementPointXYZ> frame;
    norvik::imaging::computePointXYZ(in.header, in.payload, in.intri.intrinsic3DCamera,
                                     frame);  // warm-up: sizes the output
    for (auto _ : state)
        norvik::imaging::computePointXYZ(in.header, in.payload, in.intri.intrinsic3DCamera, frame);
    setBytes(state, in, 12);
}

void ComputePointXYZBGR(benchmark::State& state) {
    Inputs in(state);
    Frame<ElementPointXYZBGR> frame;
    norvik::imaging::computePointXYZBGR(in.color, in.header, in.payload, in.intri,
                                        frame);  // warm-up: sizes the output
    for (auto _ : state)
        norvik::imaging::computePointXYZBGR(in.color, in.header, in.payload, in.intri, frame);
    setBytes(state, in, 16);
}

template <typename Point>
void textureMaskCloud(benchmark::State& state) {
    Inputs in(state);
    Frame<ElementDepth> depth;
    norvik::imaging::decodeDepthMap(in.header, in.payload, depth);
    Frame<Point> cloud;
    norvik::imaging::getCloudFromTextureMask(depth, in.color, in.intri, cloud);  // warm-up: sizes the output
    for (auto _ : state) norvik::imaging::getCloudFromTextureMask(depth, in.color, in.intri, cloud);
    setBytes(state, in, sizeof(Point));
}

void TextureMaskCloud(benchmark::State& state) { textureMaskCloud<ElementPointXYZ>(state); }

void TextureMaskColouredCloud(benchmark::State& state) { textureMaskCloud<ElementPointXYZBGR>(state); }

BENCHMARK(BoundRead2Write12)->Apply(bench::sizes);
BENCHMARK(BoundRead2Write4)->Apply(bench::sizes);
BENCHMARK(BoundRead2Write12SingleThread)->Apply(bench::sizes);
BENCHMARK(PlainDoubleXYZ)->Apply(bench::sizes);
BENCHMARK(PlainDoubleXYZBGR)->Apply(bench::sizes);
BENCHMARK(DecodeDepthMap)->Apply(bench::sizes);
BENCHMARK(ComputePointXYZ)->Apply(bench::sizes);
BENCHMARK(ComputePointXYZBGR)->Apply(bench::sizes);
BENCHMARK(TextureMaskCloud)->Apply(bench::sizes);
BENCHMARK(TextureMaskColouredCloud)->Apply(bench::sizes);

}  // namespace
