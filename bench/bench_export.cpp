// The export library's writers against the reference of writing the same number of bytes into a file with
// one plain buffered write, measured in the same run, and printed as ratios at the end. Also the host-side
// clouds from a held depth map against the capture kernels on the same frame.
//   ./build/bench/bench_export --benchmark_min_time=0.2 --benchmark_repetitions=5
// Files go to $QUORIX_BENCH_DIR (default /tmp).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/decode.h"
#include "imaging/point_cloud.h"
#include "quorix/QuorixDevice.h"
#include "quorix/QuorixExport.h"

namespace {

using namespace norvik::api;
namespace files = norvik::files;

constexpr std::uint32_t kWidth = 1920, kHeight = 1200;

std::string target(const std::string& name) {
    const char* dir = std::getenv("QUORIX_BENCH_DIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/quorix_bench_" + std::to_string(::getpid()) + "_" +
           name;
}

// A scene as the camera sees it: a tilted floor with boxes, a tenth of the pixels unmeasured, and a 2D
// image with texture.
struct Scene {
    norvik::imaging::ImageHeader header;
    std::string payload;
    Frame<ElementDepth> depth;
    Frame<ElementColor> color;
    DeviceIntri intri;
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;

    Scene() {
        header.scale = 20;
        header.rows = kHeight;
        header.cols = kWidth;
        header.byteCount = 2 * kWidth * kHeight;
        payload.resize(header.byteCount);
        color.resize(kWidth, kHeight);
        std::uint32_t noise = 12345;
        for (std::uint32_t row = 0; row < kHeight; ++row) {
            for (std::uint32_t col = 0; col < kWidth; ++col) {
                noise = noise * 1664525u + 1013904223u;
                double mm = 900 + 0.2 * row + 0.05 * col;
                if ((col / 240 + row / 200) % 3 == 0) mm -= 150;
                const bool hole = (noise >> 24) < 26;
                const int raw = hole ? 32768 : 32768 + static_cast<int>(mm * header.scale) + int(noise >> 29);
                const std::size_t i = std::size_t(row) * kWidth + col;
                payload[2 * i] = static_cast<char>(raw & 0xFF);
                payload[2 * i + 1] = static_cast<char>(raw >> 8);
                color[i] = {std::uint8_t(col / 3 + (noise >> 28)), std::uint8_t(row / 5),
                            std::uint8_t(128 + (noise >> 27))};
            }
        }
        norvik::imaging::decodeDepthMap(header, payload, depth);
        for (auto* cam : {&intri.intrinsic3DCamera, &intri.intrinsic2DCamera}) {
            cam->intrinsic[0] = cam->intrinsic[1] = 1800;
            cam->intrinsic[2] = kWidth / 2.0;
            cam->intrinsic[3] = kHeight / 2.0;
        }
        intri.rotation[0][2] = 0.05;
        intri.rotation[2][0] = -0.05;
        intri.translation[0] = 45;
        QuorixDevice::computePointXYZMap(depth, intri, cloud);
        QuorixDevice::computePointXYZBGRMap(depth, color, intri, colored);
    }
};

const Scene& scene() {
    static const Scene s;
    return s;
}

std::map<std::string, std::uintmax_t>& fileSizes() {
    static std::map<std::string, std::uintmax_t> sizes;
    return sizes;
}

template <typename Write>
void measureWrite(benchmark::State& state, const std::string& name, const Write& write) {
    const std::string path = target(name);
    for (auto _ : state) {
        const files::FileResult result = write(path);
        if (!result.ok()) state.SkipWithError(result.error.c_str());
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) {
        std::fseek(f, 0, SEEK_END);
        fileSizes()[name] = static_cast<std::uintmax_t>(std::ftell(f));
        std::fclose(f);
    }
    std::remove(path.c_str());
    state.counters["MB"] = static_cast<double>(fileSizes()[name]) / 1e6;
}

// The reference: the same number of bytes as the file `of` (written by its benchmark first), through one
// buffered write into a new file, closed and renamed like the writers do.
void CopySameBytes(benchmark::State& state, const std::string& of) {
    const std::uintmax_t size = fileSizes()[of];
    std::vector<char> bytes(size, 'q');
    const std::string path = target("copy-" + of), temporary = path + ".tmp";
    for (auto _ : state) {
        std::FILE* f = std::fopen(temporary.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
            std::fclose(f) != 0)
            state.SkipWithError("copy failed");
        std::rename(temporary.c_str(), path.c_str());
    }
    std::remove(path.c_str());
}

// The ASCII PLY writer as it was: formatted output per point through a string stream.
files::FileResult formattedAsciiPly(const std::string& path, const Frame<ElementPointXYZBGR>& cloud) {
    std::ostringstream text;
    text.precision(std::numeric_limits<float>::max_digits10);
    std::size_t count = 0;
    const std::size_t n = std::size_t(cloud.width()) * cloud.height();
    for (std::size_t i = 0; i < n; ++i) {
        const auto& p = cloud.data()[i];
        if (!files::isMeasured(p.x, p.y, p.z)) continue;
        ++count;
        text << p.x << ' ' << p.y << ' ' << p.z << ' ' << int(p.r) << ' ' << int(p.g) << ' ' << int(p.b)
             << '\n';
    }
    return files::writeTextFile(path,
                                "ply\nformat ascii 1.0\nelement vertex " + std::to_string(count) +
                                    "\nproperty float x\nproperty float y\nproperty float z\nproperty uchar "
                                    "red\nproperty uchar green\nproperty uchar blue\nend_header\n" +
                                    text.str());
}

void registerAll() {
    const Scene& s = scene();
    struct Writer {
        std::string name;
        std::function<files::FileResult(const std::string&)> write;
    };
    const std::vector<Writer> writers = {
        {"cloud.ply", [&](const std::string& p) { return files::writePly(p, s.cloud); }},
        {"colored.ply", [&](const std::string& p) { return files::writePly(p, s.colored); }},
        {"cloud.pcd", [&](const std::string& p) { return files::writePcd(p, s.cloud); }},
        {"colored-organized.pcd",
         [&](const std::string& p) {
             return files::writePcd(p, s.colored, {false, true});
         }},
        {"depth.tiff", [&](const std::string& p) { return files::writeDepthTiff(p, s.depth); }},
        {"color.png", [&](const std::string& p) { return files::writeColorPng(p, s.color); }},
        {"color-level6.png", [&](const std::string& p) { return files::writeColorPng(p, s.color, 6); }},
        {"depth.png", [&](const std::string& p) { return files::writeDepthPng16(p, s.depth); }},
        {"colored-ascii.ply",
         [&](const std::string& p) {
             return files::writePly(p, s.colored, {true, false});
         }},
        {"colored-ascii-formatted.ply",
         [&](const std::string& p) { return formattedAsciiPly(p, s.colored); }},
    };
    for (const Writer& w : writers) {
        benchmark::RegisterBenchmark(("Write/" + w.name).c_str(),
                                     [w](benchmark::State& state) { measureWrite(state, w.name, w.write); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("CopySameBytes/" + w.name).c_str(),
                                     [w](benchmark::State& state) { CopySameBytes(state, w.name); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    // Host-side clouds from the held depth map against the capture kernels on the same frame.
    benchmark::RegisterBenchmark("Cloud/capture-kernel",
                                 [&](benchmark::State& state) {
                                     Frame<ElementPointXYZ> out;
                                     for (auto _ : state)
                                         norvik::imaging::computePointXYZ(s.header, s.payload,
                                                                          s.intri.intrinsic3DCamera, out);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("Cloud/held-depth",
                                 [&](benchmark::State& state) {
                                     Frame<ElementPointXYZ> out;
                                     for (auto _ : state)
                                         QuorixDevice::computePointXYZMap(s.depth, s.intri, out);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ColoredCloud/capture-kernel",
                                 [&](benchmark::State& state) {
                                     Frame<ElementPointXYZBGR> out;
                                     for (auto _ : state)
                                         norvik::imaging::computePointXYZBGR(s.color, s.header, s.payload,
                                                                             s.intri, out);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ColoredCloud/held-depth",
                                 [&](benchmark::State& state) {
                                     Frame<ElementPointXYZBGR> out;
                                     for (auto _ : state)
                                         QuorixDevice::computePointXYZBGRMap(s.depth, s.color, s.intri, out);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// The best repetition of each benchmark: the machine is shared, the least disturbed run counts.
class BestTimes : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.benchmark_name();
            const std::string key = name.substr(0, name.find("/real_time"));
            const double time = run.GetAdjustedRealTime();
            if (!best.count(key) || time < best[key]) best[key] = time;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> best;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerAll();
    BestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.best;
    auto ratio = [&](const std::string& a, const std::string& b) {
        return t.count(a) && t.count(b) && t[b] > 0 ? t[a] / t[b] : std::nan("");
    };
    std::printf("\nWriter / copying the same bytes (%ux%u, best repetition)\n", kWidth, kHeight);
    for (const char* name : {"cloud.ply", "colored.ply", "cloud.pcd", "colored-organized.pcd", "depth.tiff",
                             "color.png", "depth.png", "colored-ascii.ply"})
        std::printf("  %-28s %7.2f  (%6.1f MB)\n", name,
                    ratio(std::string("Write/") + name, std::string("CopySameBytes/") + name),
                    static_cast<double>(fileSizes()[name]) / 1e6);
    std::printf("Colour PNG, level 6 / default level:     %7.2f\n",
                ratio("Write/color-level6.png", "Write/color.png"));
    std::printf("ASCII PLY, formatted stream / blocks:    %7.2f\n",
                ratio("Write/colored-ascii-formatted.ply", "Write/colored-ascii.ply"));
    std::printf("Cloud from a held depth map / capture kernel:          %7.2f\n",
                ratio("Cloud/held-depth", "Cloud/capture-kernel"));
    std::printf("Coloured cloud from a held depth map / capture kernel: %7.2f\n",
                ratio("ColoredCloud/held-depth", "ColoredCloud/capture-kernel"));
    return 0;
}
