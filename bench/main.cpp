// Runs the imaging benchmarks on two threads (unless OMP_NUM_THREADS says otherwise) and prints every
// figure as a ratio to the reference measured in the same run.

#include <benchmark/benchmark.h>
#include <omp.h>

#include <cctype>
#include <cstdint>
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

// QUORIX_VECTOR_LEVEL=avx2 (or another instruction set the loops are compiled for: sse4, emu128, ...)
// measures the loops that other processors run.
void applyVectorLevel() {
    const char* level = std::getenv("QUORIX_VECTOR_LEVEL");
    if (level == nullptr) return;
    for (const std::int64_t target : norvik::imaging::kernelTargets()) {
        norvik::imaging::useKernelTarget(target);
        std::string name = norvik::imaging::kernelTargetName();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == level) return;
    }
    std::fprintf(stderr, "QUORIX_VECTOR_LEVEL=%s: not an instruction set of this build and processor\n",
                 level);
    std::exit(2);
}

// QUORIX_SLOW_GATHERS=1 (or 0) measures the loops as on processors whose gathers are slow (or fast).
void applyGatherSpeed() {
    const char* slow = std::getenv("QUORIX_SLOW_GATHERS");
    if (slow != nullptr) norvik::imaging::useSlowGathers(std::string(slow) != "0");
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("OMP_NUM_THREADS") == nullptr) omp_set_num_threads(2);
    applyVectorLevel();
    applyGatherSpeed();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& t = reporter.times;
    std::printf("\nRatios (threads: %d, loops: %s%s)\n", omp_get_max_threads(),
                norvik::imaging::kernelTargetName().c_str(),
                norvik::imaging::slowGathers() ? ", slow gathers" : "");
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
                   at("BoundRead2Write12SingleThread"), "single thread, target <= 15");
        printRatio(t, "coloured texture-mask cloud / single-thread bound", at("TextureMaskColouredCloud"),
                   at("BoundRead2Write12SingleThread"), "single thread, target <= 15");
    }
    const auto capture = t.find("CaptureDepthMap/real_time");
    const auto raw = t.find("RawRoundTripPlusDecode/real_time");
    if (capture != t.end() && raw != t.end())
        std::printf("-- 1920/1200\n%-58s %6.2f  (target <= 1.25)\n",
                    "captureDepthMap / (raw round trip + decode)", capture->second / raw->second);
    benchmark::Shutdown();
    return 0;
}
