// Runs the imaging benchmarks on two threads (unless OMP_NUM_THREADS says otherwise) and prints every
// figure as a ratio to the reference measured in the same run.

#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "imaging/cloud_kernels.h"

namespace {

// Remembers the best time of every benchmark over its repetitions while printing as usual. The machine is
// shared, so the fastest repetition is the one least disturbed by others.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.run_name.str();
            const double time = run.GetAdjustedRealTime();
            const auto known = times.find(name);
            if (known == times.end() || time < known->second) times[name] = time;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void printRatio(const std::map<std::string, double>& times, const std::string& label,
                const std::string& measured, const std::string& reference, const std::string& target) {
    const auto m = times.find(measured);
    const auto r = times.find(reference);
    if (m == times.end() || r == times.end()) return;
    std::printf("%-58s %6.2f  (%s)\n", label.c_str(), m->second / r->second, target.c_str());
}

// QUORIX_VECTOR_LEVEL=portable|avx2 measures the narrower loops that other processors run.
void applyVectorLevel() {
    using norvik::imaging::VectorLevel;
    const char* level = std::getenv("QUORIX_VECTOR_LEVEL");
    if (level == nullptr) return;
    const std::string name = level;
    norvik::imaging::limitVectorLevel(name == "portable" ? VectorLevel::Portable
                                      : name == "avx2"   ? VectorLevel::Avx2
                                                         : VectorLevel::Avx512);
}

const char* levelName() {
    using norvik::imaging::VectorLevel;
    const double intrinsic[4] = {1, 1, 0, 0};
    switch (norvik::imaging::vectorLevel(norvik::imaging::makeKernelParams(1.0, intrinsic, 1))) {
        case VectorLevel::Avx512:
            return "AVX-512";
        case VectorLevel::Avx2:
            return "AVX2";
        default:
            return "portable";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("OMP_NUM_THREADS") == nullptr) omp_set_num_threads(2);
    applyVectorLevel();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& t = reporter.times;
    std::printf("\nRatios (threads: %d, loops: %s)\n", omp_get_max_threads(), levelName());
    for (const std::string size : {"1920/1200", "2448/2048"}) {
        auto at = [&](const char* name) { return std::string(name) + "/" + size + "/real_time"; };
        std::printf("-- %s\n", size.c_str());
        printRatio(t, "computePointXYZ / bound(read 2, write 12)", at("ComputePointXYZ"),
                   at("BoundRead2Write12"), "target <= 2.0");
        printRatio(t, "plain double XYZ loop / bound(read 2, write 12)", at("PlainDoubleXYZ"),
                   at("BoundRead2Write12"), "reference");
        printRatio(t, "decodeDepthMap / bound(read 2, write 4)", at("DecodeDepthMap"), at("BoundRead2Write4"),
                   "target <= 1.5");
        printRatio(t, "computePointXYZBGR / bound(read 2, write 12)", at("ComputePointXYZBGR"),
                   at("BoundRead2Write12"), "target <= 10");
        printRatio(t, "plain double XYZBGR loop / computePointXYZBGR", at("PlainDoubleXYZBGR"),
                   at("ComputePointXYZBGR"), "target >= 4");
        printRatio(t, "texture-mask cloud / single-thread bound(read 2, write 12)", at("TextureMaskCloud"),
                   at("BoundRead2Write12SingleThread"), "single thread, reported");
    }
    const auto capture = t.find("CaptureDepthMap/real_time");
    const auto raw = t.find("RawRoundTripPlusDecode/real_time");
    if (capture != t.end() && raw != t.end())
        std::printf("-- 1920/1200\n%-58s %6.2f  (target <= 1.25)\n",
                    "captureDepthMap / (raw round trip + decode)", capture->second / raw->second);
    benchmark::Shutdown();
    return 0;
}
