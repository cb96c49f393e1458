// How the vector loops walk a map: row by row in whole vectors of pixels with each step's column and row, the
// pixels at a row's ends left to the formulas, and which steps stream their outputs out.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_WALK_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_WALK_INL_H_
#undef QUORIX_IMAGING_KERNEL_WALK_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_WALK_INL_H_
#endif

#include <cstddef>
#include <cstdint>
#include <numeric>

#include "hwy/highway.h"
#include "imaging/cloud_kernels.h"
#include "imaging/kernel_support.h"
#include "imaging/kernel_vectors-inl.h"

#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

// Where a step's pixels lie: the column of its first lane, the row, and their factors (colFactor null when
// the loops divide); and whether its points may be streamed out (walkSteps).
struct LaneCoordinates {
    std::size_t col;
    DoubleVec row, rowFactor;
    const double* colFactor;
    bool stream;
};

// Where walkSteps starts the steps of each row: at its first pixel i with i % period == phase, so that the
// steps that fill whole cache lines can stream their outputs out; at the row's first pixel, streaming
// nothing, with kAnyPhase.
inline constexpr std::size_t kAnyPhase = ~std::size_t{0};
struct RowPhase {
    std::size_t phase = kAnyPhase;
    std::size_t period = 1;  // elements per whole number of cache lines
};

// The phase that streams the elements at out: that of the first element from `begin` on that starts a cache
// line (64 bytes), with the period of the element's size (16 points of 12 bytes, 4 of 16).
template <typename Point>
HWY_INLINE RowPhase streamPhase(const Point* out, std::size_t begin) {
    constexpr std::size_t kLine = 64, kPeriod = kLine / std::gcd(kLine, sizeof(Point));
    for (std::size_t i = begin; i < begin + kPeriod; ++i)
        if (reinterpret_cast<std::uintptr_t>(out + i) % kLine == 0) return RowPhase{i % kPeriod, kPeriod};
    return RowPhase{};
}

// Walks pixels [begin, end) of a map of p.cols columns seen by the depth camera of p (KernelParams or
// MaskParams) row by row: steps(i, coordinates) for the whole vectors of pixels of each row, and single(i,
// row, col) for the pixels left at its ends. The steps of a row start at its first pixel in the range, or
// where `start` says (streamPhase): then the steps that fill whole cache lines stream their outputs out. A
// line partly streamed and partly stored costs the processor a write of the line each time (the rows of a
// large map took a fifth longer with AVX2).
template <typename Params, typename Steps, typename Single>
HWY_INLINE void walkSteps(std::size_t begin, std::size_t end, const Params& p, const Steps& steps,
                          const Single& single, RowPhase start = RowPhase{}) {
    const DoubleTag dd;
    const std::size_t lanes = hn::Lanes(FloatTag()), cols = static_cast<std::size_t>(p.cols);
    const double* factors = p.divisors.empty() ? nullptr : columnFactors(p.cx, p.fx, cols);
    std::size_t i = begin, row = begin / cols, col = begin % cols;
    while (i < end) {
        const std::size_t rowEnd = end - i < cols - col ? end : i + (cols - col);
        std::size_t streamEnd = i;
        if (start.phase != kAnyPhase) {
            const std::size_t lead = (start.phase + start.period - i % start.period) % start.period;
            for (std::size_t n = 0; n < lead && i < rowEnd; ++n, ++i, ++col) single(i, row, col);
            streamEnd = i + (rowEnd - i) / start.period * start.period;
        }
        const double rowIndex = static_cast<double>(row);
        LaneCoordinates at{col, hn::Set(dd, rowIndex), hn::Set(dd, (rowIndex - p.cy) / p.fy),
                           factors == nullptr ? nullptr : factors + col, false};
        for (; rowEnd - i >= lanes; i += lanes, col += lanes) {
            at.stream = i + lanes <= streamEnd;
            steps(i, at);
            at.col += lanes;
            if (at.colFactor != nullptr) at.colFactor += lanes;
        }
        for (; i < rowEnd; ++i, ++col) single(i, row, col);
        ++row;
        col = 0;
    }
}

// The first pixel from `begin` on whose output element starts on a vector boundary, so that whole vectors
// can be streamed out; begin when there is none.
template <typename T>
HWY_INLINE std::size_t alignedStart(const T* out, std::size_t begin, std::size_t end) {
    const std::size_t bytes = hn::Lanes(FloatTag()) * sizeof(float);
    for (std::size_t i = begin; i < end && i < begin + bytes; ++i)
        if (reinterpret_cast<std::uintptr_t>(out + i) % bytes == 0) return i;
    return begin;
}

// Large outputs bypass the caches when whole vectors can be streamed out; small ones are better left in them
// for the reader.
HWY_INLINE bool streamOutput(const void* at, std::size_t bytes) {
    return reinterpret_cast<std::uintptr_t>(at) % (hn::Lanes(FloatTag()) * sizeof(float)) == 0 &&
           bytes >= kStreamingBytes;
}

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_WALK_INL_H_
