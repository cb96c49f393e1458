#pragma once

// The per-pixel loops behind depth decoding and the capture point clouds. Each output value equals the
// double-precision formula rounded to float: depths come from a table of the formula's value for every
// 16-bit sample, and the vector paths do the formula's own double operations, several pixels at a time.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quorix/Frame.h"

namespace norvik {
namespace imaging {

// How the vector loops divide by fx and fy. They multiply the depth by (index - centre) / focal of the
// pixel's column (columnFactors) or row instead: the product lies within four units in the last place of the
// formula's double quotient, so both round to the same float except next to a float rounding midpoint, which
// the loops test for (and then divide). The test holds for quotients in the range of normal floats: the
// products serve steps whose depths all lie in [leastDepth, greatestDepth] or are zero, and the other steps
// divide. Steps are checked when `checkDepths`; a capture's depths, known from its scale, need not be.
struct PointDivisors {
    float leastDepth = 0, greatestDepth = -1;  // empty: every step divides
    bool checkDepths = true;
    bool empty() const { return !(leastDepth <= greatestDepth); }
};

// (col - cx) / fx for the columns [0, cols): the factors of PointDivisors. Owned by the calling thread and
// valid until its next call with other arguments (built once per calibration, so that captures allocate
// nothing); null when the memory cannot be had, and the loops then divide.
const double* columnFactors(double cx, double fx, std::size_t cols);

// The divisors for a map of cols x rows depths seen by a depth camera of these intrinsics.
PointDivisors pointDivisors(const double (&depthIntrinsic)[4], std::int32_t cols, std::int32_t rows);

// What a loop needs besides its arrays. Built by makeKernelParams or makeHeldParams.
struct KernelParams {
    double scale = 0;
    double fx = 0, fy = 0, cx = 0, cy = 0;
    PointDivisors divisors;
    // The depth of every sample at this scale (depthTable).
    const float* depthOf = nullptr;
    // 1 / scale when the samples' depths may be taken as products with it (the AVX-512 points do unless
    // `slowGathers`, and the depth maps of the loops with gather instructions where it is; tested as the
    // points are, and read from the table next to a rounding midpoint); 0 when they are read from the table.
    double depthReciprocal = 0;
    // The scale when it is a float and well inside the normal floats, 0 otherwise. Then a sample's offset
    // divided by it in floats is its depth: the quotient of an offset of 16 bits by a float lies so far from
    // every float rounding midpoint but itself that rounding it to double first changes nothing. The depth
    // maps divide so on x86 where the table would be read lane by lane or by slow gathers.
    float depthDivisor = 0;
    bool slowGathers = false;  // slowGathers() when the parameters were made
    // A depth map the host holds, read instead of samples.
    const api::ElementDepth* heldDepths = nullptr;
    std::int32_t cols = 0;
    // Projection into the 2D image (coloured clouds only).
    double rotation[3][3] = {};
    double translation[3] = {};
    double fx2 = 0, fy2 = 0, cx2 = 0, cy2 = 0;
    bool sameView = false;
};

// The instruction sets the loops are compiled for that this processor can run (Highway's target bits),
// best first. The build for one instruction set only (static dispatch) lists just that one.
std::vector<std::int64_t> kernelTargets();
// Makes the loops use `target`, one of kernelTargets(), for the whole process from now on (the best the
// processor has by default, and again after 0): the tests check every target against the formulas, and the
// benchmark measures the narrower ones.
void useKernelTarget(std::int64_t target);
// The name of the instruction set the loops use now ("AVX2", "NEON", ...).
std::string kernelTargetName();

// Whether the processor's gather instructions are slow next to its loads (AMD's cores): the loops that have
// them (AVX2, AVX-512) then take the depth maps' depths as quotients in floats (depthDivisor) or products
// with the scale's reciprocal, their points read the depth table lane by lane, and the 2D image's pixels are
// read as pairs by 8-byte loads.
// useSlowGathers overrides the processor's answer for the whole process from now on (the tests check both
// ways, the benchmark can measure both); nullopt restores it.
bool slowGathers();
void useSlowGathers(std::optional<bool> slow);

KernelParams makeKernelParams(double scale, const double (&depthIntrinsic)[4], std::int32_t cols,
                              std::int32_t rows);

// The loop parameters for a held depth map of cols x rows depths.
KernelParams makeHeldParams(const api::ElementDepth* depths, const double (&depthIntrinsic)[4],
                            std::int32_t cols, std::int32_t rows);

inline constexpr std::size_t kDepthSamples = 65536;
// (sample - 32768) / scale rounded to float, for every sample. Owned by the calling thread and valid until
// its next call with another scale.
const float* depthTable(double scale);

// Pixels [begin, end) of a row-major map with params.cols columns; raw points to the 16-bit samples.
void depthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& params);
void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& params);
// color is the 2D image: of the depth map's size when params.sameView, otherwise sampled by projection.
void colorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& params);

// Runs body(begin, end) on one contiguous block of [0, count) per thread of the parallel runtime.
template <typename Body>
void parallelBlocks(std::size_t count, const Body& body);

}  // namespace imaging
}  // namespace norvik

#include <omp.h>

template <typename Body>
void norvik::imaging::parallelBlocks(std::size_t count, const Body& body) {
#pragma omp parallel
    {
        const auto threads = static_cast<std::size_t>(omp_get_num_threads());
        const auto thread = static_cast<std::size_t>(omp_get_thread_num());
        const std::size_t chunk = count / threads;
        const std::size_t extra = count % threads;
        const std::size_t begin = thread * chunk + (thread < extra ? thread : extra);
        const std::size_t end = begin + chunk + (thread < extra ? 1 : 0);
        if (begin < end) body(begin, end);
    }
}
