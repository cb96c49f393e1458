// What the vector loops of every instruction set share: walking a map in whole vectors of pixels with each
// lane's row and column, doubles rounded to float as the formulas round them, and the bilinear sampler of the
// 2D image. Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_VECTORS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
#undef QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "imaging/exact_formulas.h"
#include "imaging/kernel_support.h"
#include "imaging/projection.h"

// Whether the target being compiled is one of the x86 vector targets, for the few operations written with
// their instructions. Evaluated where used, so once per target.
#ifndef QUORIX_X86_VECTOR_TARGET
#define QUORIX_X86_VECTOR_TARGET \
    (HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_SSE4)
#endif

// The one-lane fallback (Highway's HWY_SCALAR) runs the formulas themselves.
#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Samples are read as little-endian 16-bit words and colours as little-endian 32-bit words.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the imaging loops read little-endian words");

// One step of the loops: a full vector of floats, one pixel per lane; the doubles are worked in two halves.
using FloatTag = hn::ScalableTag<float>;
using IntTag = hn::RebindToSigned<FloatTag>;
using WordTag = hn::RebindToUnsigned<FloatTag>;
using HalfTag = hn::Half<FloatTag>;
using DoubleTag = hn::Rebind<double, HalfTag>;
using FloatVec = hn::Vec<FloatTag>;
using IntVec = hn::Vec<IntTag>;
using WordVec = hn::Vec<WordTag>;
using DoubleVec = hn::Vec<DoubleTag>;

// Room for the lanes of one step of any target.
inline constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(float);

// Doubles rounded to float exactly as static_cast rounds them. The emulated target's DemoteTo clamps values
// beyond the float range (infinities included) to the largest float, so there each lane is converted alone.
HWY_INLINE hn::Vec<HalfTag> toFloat(DoubleVec v) {
    const HalfTag dh;
#if HWY_TARGET == HWY_EMU128
    const DoubleTag dd;
    double in[kMaxLanes];
    float out[kMaxLanes];
    hn::StoreU(v, dd, in);
    for (std::size_t lane = 0; lane < hn::Lanes(dd); ++lane) out[lane] = static_cast<float>(in[lane]);
    return hn::LoadU(dh, out);
#else
    return hn::DemoteTo(dh, v);
#endif
}

// The low and high halves of a float or int32 vector, as doubles (exact).
template <class V>
HWY_INLINE DoubleVec lowDouble(V v) {
    return hn::PromoteTo(DoubleTag(), hn::LowerHalf(v));
}
template <class V>
HWY_INLINE DoubleVec highDouble(V v) {
    const hn::Half<hn::DFromV<V>> dh;
    return hn::PromoteTo(DoubleTag(), hn::UpperHalf(dh, v));
}

// A float vector from the two halves' doubles, each rounded as the formulas round it.
HWY_INLINE FloatVec joinFloats(DoubleVec low, DoubleVec high) {
    return hn::Combine(FloatTag(), toFloat(high), toFloat(low));
}

// joinFloats, and its halves as doubles (lowDouble and highDouble of it) into `wide`, widened from the halves
// rounded rather than taken out of the joined vector again (a shuffle each with SSE4 and AVX2): on the Intel
// cores measured, the coloured points took 6 to 11 % less time with SSE4 and 2 to 4 % with AVX2.
HWY_INLINE FloatVec joinFloats(DoubleVec low, DoubleVec high, DoubleVec (&wide)[2]) {
    const auto roundedLow = toFloat(low), roundedHigh = toFloat(high);
    wide[0] = hn::PromoteTo(DoubleTag(), roundedLow);
    wide[1] = hn::PromoteTo(DoubleTag(), roundedHigh);
    return hn::Combine(FloatTag(), roundedHigh, roundedLow);
}

// x, y, z of pixels from their depths by the formulas' own double products and divisions, or by the
// depths' products with the columns' and rows' factors (PointDivisors).
struct PointConstants {
    DoubleVec cx, cy, fx, fy;
    FloatVec leastDepth, greatestDepth;
    bool checkDepths;
    // From a loop's parameters (KernelParams or MaskParams).
    template <typename Params>
    explicit PointConstants(const Params& p)
        : cx(hn::Set(DoubleTag(), p.cx)),
          cy(hn::Set(DoubleTag(), p.cy)),
          fx(hn::Set(DoubleTag(), p.fx)),
          fy(hn::Set(DoubleTag(), p.fy)),
          leastDepth(hn::Set(FloatTag(), p.divisors.leastDepth)),
          greatestDepth(hn::Set(FloatTag(), p.divisors.greatestDepth)),
          checkDepths(p.divisors.checkDepths) {}

    // Whether the products serve these depths: all zero or inside the window (NaNs are not).
    HWY_INLINE bool productsServe(FloatVec z) const {
        if (!checkDepths) return true;
        const FloatTag df;
        const FloatVec a = hn::Abs(z);
        const auto served = hn::Or(hn::Eq(a, hn::Zero(df)), hn::Ge(a, leastDepth));
        return hn::AllTrue(df, hn::And(served, hn::Le(a, greatestDepth)));
    }
};

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

// Lanes whose doubles lie within 16 units in the last place of a midpoint between two floats. Doubles rounded
// to float keep the top 24 bits of the significand and drop 29 bits, whose midpoint pattern is a one followed
// by 28 zeros; two doubles a few units apart round to the same float unless one such midpoint lies between
// them (valid in the range of normal floats). Bits 5 to 28 of the dropped bits plus 16 less the midpoint are
// then all zero.
inline constexpr std::int32_t kMidpointOffset = 16 - 0x10000000;
inline constexpr std::int32_t kMidpointBits = 0x1FFFFFE0;
HWY_INLINE hn::Mask<DoubleTag> nearFloatMidpoint(DoubleVec q) {
    const hn::RebindToSigned<DoubleTag> di;
    const auto offset = hn::Add(hn::BitCast(di, q), hn::Set(di, std::int64_t{kMidpointOffset}));
    const auto tested = hn::And(offset, hn::Set(di, std::int64_t{kMidpointBits}));
    return hn::RebindMask(DoubleTag(), hn::Eq(tested, hn::Zero(di)));
}

// Whether a lane of the vectors is near a float midpoint (nearFloatMidpoint). The test reads only the low 32
// bits of each double, so on x86 those of two vectors are picked into one by an in-lane shuffle and tested
// together: fewer operations on the vector ports than the 64-bit test of each (the points took 7 to 11 % less
// time with AVX2 and SSE4 on the Intel cores measured, the texture masks 2 to 8 %).
#if QUORIX_X86_VECTOR_TARGET
HWY_INLINE hn::Mask<IntTag> lowWordsNearFloatMidpoint(DoubleVec first, DoubleVec second) {
#if HWY_TARGET == HWY_AVX2
    const FloatVec words{_mm256_shuffle_ps(_mm256_castpd_ps(first.raw), _mm256_castpd_ps(second.raw), 0x88)};
#elif HWY_TARGET == HWY_SSE4
    const FloatVec words{_mm_shuffle_ps(_mm_castpd_ps(first.raw), _mm_castpd_ps(second.raw), 0x88)};
#else
    const FloatVec words{_mm512_shuffle_ps(_mm512_castpd_ps(first.raw), _mm512_castpd_ps(second.raw), 0x88)};
#endif
    const IntTag di;
    const IntVec offset = hn::Add(hn::BitCast(di, words), hn::Set(di, kMidpointOffset));
    return hn::Eq(hn::And(offset, hn::Set(di, kMidpointBits)), hn::Zero(di));
}
#endif

HWY_INLINE bool anyNearFloatMidpoint(DoubleVec a, DoubleVec b) {
#if QUORIX_X86_VECTOR_TARGET
    return !hn::AllFalse(IntTag(), lowWordsNearFloatMidpoint(a, b));
#else
    return !hn::AllFalse(DoubleTag(), hn::Or(nearFloatMidpoint(a), nearFloatMidpoint(b)));
#endif
}

HWY_INLINE bool anyNearFloatMidpoint(DoubleVec a, DoubleVec b, DoubleVec c, DoubleVec d) {
#if QUORIX_X86_VECTOR_TARGET
    return !hn::AllFalse(IntTag(), hn::Or(lowWordsNearFloatMidpoint(a, b), lowWordsNearFloatMidpoint(c, d)));
#else
    const DoubleTag dd;
    return !hn::AllFalse(dd, hn::Or(hn::Or(nearFloatMidpoint(a), nearFloatMidpoint(b)),
                                    hn::Or(nearFloatMidpoint(c), nearFloatMidpoint(d))));
#endif
}

struct Points {
    FloatVec x, y, z;
};

// A step's depths, and their halves as doubles.
struct WideDepths {
    FloatVec z;
    DoubleVec low, high;
};

HWY_INLINE WideDepths widen(FloatVec z) { return WideDepths{z, lowDouble(z), highDouble(z)}; }

// The depths at `at`: each half is widened as it is read, which costs no shuffle on x86.
HWY_INLINE WideDepths wideDepthsAt(const float* at) {
    const HalfTag dh;
    const DoubleTag dd;
    return WideDepths{hn::LoadU(FloatTag(), at), hn::PromoteTo(dd, hn::LoadU(dh, at)),
                      hn::PromoteTo(dd, hn::LoadU(dh, at + hn::Lanes(dh)))};
}

// x and y of a step by the factors' products, into pt, and their halves as doubles into wide[0] and wide[1];
// false, with both untouched, when a lane may round otherwise than the formula's division, or when the
// depths are `doubtful` themselves.
HWY_INLINE bool pointsByProducts(const WideDepths& d, bool doubtful, const LaneCoordinates& at, Points& pt,
                                 DoubleVec (&wide)[3][2]) {
    const DoubleTag dd;
    const DoubleVec zLow = d.low, zHigh = d.high;
    const DoubleVec x[2] = {hn::Mul(hn::LoadU(dd, at.colFactor), zLow),
                            hn::Mul(hn::LoadU(dd, at.colFactor + hn::Lanes(dd)), zHigh)};
    const DoubleVec y[2] = {hn::Mul(at.rowFactor, zLow), hn::Mul(at.rowFactor, zHigh)};
    if (HWY_UNLIKELY(doubtful || anyNearFloatMidpoint(x[0], x[1], y[0], y[1]))) return false;
    pt = Points{joinFloats(x[0], x[1], wide[0]), joinFloats(y[0], y[1], wide[1]), d.z};
    return true;
}

// x and y of a step by the formulas' divisions, and their halves as doubles into wide[0] and wide[1].
HWY_INLINE Points pointsByDivisions(const WideDepths& d, const LaneCoordinates& at, const PointConstants& k,
                                    DoubleVec (&wide)[3][2]) {
    const DoubleTag dd;
    const DoubleVec zLow = d.low, zHigh = d.high;
    const DoubleVec colLow = hn::Iota(dd, static_cast<double>(at.col));
    const DoubleVec colHigh = hn::Add(colLow, hn::Set(dd, static_cast<double>(hn::Lanes(dd))));
    const DoubleVec y = hn::Sub(at.row, k.cy);
    return Points{joinFloats(hn::Div(hn::Mul(hn::Sub(colLow, k.cx), zLow), k.fx),
                             hn::Div(hn::Mul(hn::Sub(colHigh, k.cx), zHigh), k.fx), wide[0]),
                  joinFloats(hn::Div(hn::Mul(y, zLow), k.fy), hn::Div(hn::Mul(y, zHigh), k.fy), wide[1]),
                  d.z};
}

// The points of a step, and the halves of their x, y and z as doubles into wide[0], wide[1] and wide[2].
HWY_INLINE Points pointsAt(const WideDepths& d, const LaneCoordinates& at, const PointConstants& k,
                           DoubleVec (&wide)[3][2]) {
    wide[2][0] = d.low;
    wide[2][1] = d.high;
    // Built whole: the implicit default constructor of a struct of vectors is not compiled for the target.
    Points pt{d.z, d.z, d.z};
    if (at.colFactor != nullptr && k.productsServe(d.z) && pointsByProducts(d, false, at, pt, wide))
        return pt;
    return pointsByDivisions(d, at, k, wide);
}

// The pose and the 2D camera, for projecting points into the 2D image.
struct Projection {
    DoubleVec r[3][3], t[3];
    DoubleVec fx2, fy2, cx2, cy2;
    Projection(const double (&rotation)[3][3], const double (&translation)[3], double fx2_, double fy2_,
               double cx2_, double cy2_) {
        const DoubleTag dd;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) r[i][j] = hn::Set(dd, rotation[i][j]);
            t[i] = hn::Set(dd, translation[i]);
        }
        fx2 = hn::Set(dd, fx2_);
        fy2 = hn::Set(dd, fy2_);
        cx2 = hn::Set(dd, cx2_);
        cy2 = hn::Set(dd, cy2_);
    }
};

// Row n of the pose applied to points (x, y, z) of one half of a step: a coordinate in the 2D camera's frame,
// by the formula's products and sums.
HWY_INLINE DoubleVec cameraRow(const Projection& k, int n, DoubleVec x, DoubleVec y, DoubleVec z) {
    DoubleVec s = hn::Mul(k.r[n][0], x);
    s = hn::Add(s, hn::Mul(k.r[n][1], y));
    s = hn::Add(s, hn::Mul(k.r[n][2], z));
    return hn::Add(s, k.t[n]);
}

// Where points at camera coordinates xc, yc, zc (a step's two halves) land in the 2D image, rounded to float
// as projectedColor rounds them; -1 for points in the 2D camera's plane, which land nowhere (the sampler
// leaves them black). Such points are rare: one test per step rather than a blend in every half.
HWY_INLINE void landing(const DoubleVec (&xc)[2], const DoubleVec (&yc)[2], const DoubleVec (&zc)[2],
                        const Projection& k, FloatVec& u, FloatVec& v) {
    const DoubleTag dd;
    DoubleVec uh[2], vh[2];
    for (int h = 0; h < 2; ++h) {
        uh[h] = hn::Add(hn::Div(hn::Mul(xc[h], k.fx2), zc[h]), k.cx2);
        vh[h] = hn::Add(hn::Div(hn::Mul(yc[h], k.fy2), zc[h]), k.cy2);
    }
    const DoubleVec tolerance = hn::Set(dd, kZeroTolerance);
    const hn::Mask<DoubleTag> inPlane[2] = {hn::Le(hn::Abs(zc[0]), tolerance),
                                            hn::Le(hn::Abs(zc[1]), tolerance)};
    if (HWY_UNLIKELY(!hn::AllFalse(dd, hn::Or(inPlane[0], inPlane[1])))) {
        const DoubleVec outside = hn::Set(dd, -1.0);
        for (int h = 0; h < 2; ++h) {
            uh[h] = hn::IfThenElse(inPlane[h], outside, uh[h]);
            vh[h] = hn::IfThenElse(inPlane[h], outside, vh[h]);
        }
    }
    u = joinFloats(uh[0], uh[1]);
    v = joinFloats(vh[0], vh[1]);
}

// Where a step's points land in the 2D image (projectedColor's formulas), from the halves of their x, y and
// z as doubles (pointsAt).
HWY_INLINE void project(const DoubleVec (&wide)[3][2], const Projection& k, FloatVec& u, FloatVec& v) {
    const DoubleVec(&x)[2] = wide[0];
    const DoubleVec(&y)[2] = wide[1];
    const DoubleVec(&z)[2] = wide[2];
    DoubleVec xc[2], yc[2], zc[2];
    // Unrolled: as a loop, GCC kept the halves' coordinates on the stack.
#pragma GCC unroll 2
    for (int h = 0; h < 2; ++h) {
        zc[h] = cameraRow(k, 2, x[h], y[h], z[h]);
        xc[h] = cameraRow(k, 0, x[h], y[h], z[h]);
        yc[h] = cameraRow(k, 1, x[h], y[h], z[h]);
    }
    landing(xc, yc, zc, k, u, v);
}

// Large outputs bypass the caches when whole vectors can be streamed out; small ones are better left in them
// for the reader.
HWY_INLINE bool streamOutput(const void* at, std::size_t bytes) {
    return reinterpret_cast<std::uintptr_t>(at) % (hn::Lanes(FloatTag()) * sizeof(float)) == 0 &&
           bytes >= kStreamingBytes;
}

// Lays the lanes' points out as x0 y0 z0 x1 ... in three vectors. Element k of a coordinate goes to place
// 3k plus the coordinate's number: one lane permutation per coordinate puts each element at its place within
// its vector (no width is a multiple of three, so no two elements share one), then two blends per vector pick
// the coordinates. Fewer shuffles than interleaving pairs of vectors: points took a quarter less time with
// AVX2.
class PointLayout {
public:
    PointLayout() {
        const FloatTag df;
        const IntTag di;
        const std::size_t lanes = hn::Lanes(df);
        std::int32_t element[3][kMaxLanes], coordinate[3][kMaxLanes];
        for (std::size_t part = 0; part < 3; ++part) {
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                const std::size_t place = part * lanes + lane;
                coordinate[part][lane] = static_cast<std::int32_t>(place % 3);
                element[place % 3][lane] = static_cast<std::int32_t>(place / 3);
            }
        }
        for (std::size_t n = 0; n < 3; ++n) {
            elements_[n] = hn::IndicesFromVec(df, hn::LoadU(di, element[n]));
            coordinates_[n] = hn::LoadU(di, coordinate[n]);
        }
    }

    // The points at out: three whole vectors, streamed out when `stream` and out is on a vector boundary,
    // stored otherwise.
    HWY_INLINE void store(const Points& pt, api::ElementPointXYZ* out, bool stream) const {
        const FloatTag df;
        const std::size_t lanes = hn::Lanes(df);
        float* dst = &out->x;
        stream = stream && reinterpret_cast<std::uintptr_t>(dst) % (lanes * sizeof(float)) == 0;
        auto put = [&](FloatVec v, std::size_t part) {
            if (stream) {
                hn::Stream(v, df, dst + part * lanes);
            } else {
                hn::StoreU(v, df, dst + part * lanes);
            }
        };
        const FloatVec x = hn::TableLookupLanes(pt.x, elements_[0]);
        const FloatVec y = hn::TableLookupLanes(pt.y, elements_[1]);
        const FloatVec z = hn::TableLookupLanes(pt.z, elements_[2]);
        // x86 blends by constants: with AVX2 and SSE4 a blend by a vector of lanes costs three micro-ops on
        // recent Intel cores, and made the layout slower than interleaving pairs.
#if HWY_TARGET == HWY_AVX3
        put(FloatVec{_mm512_mask_blend_ps(0x4924, _mm512_mask_blend_ps(0x2492, x.raw, y.raw), z.raw)}, 0);
        put(FloatVec{_mm512_mask_blend_ps(0x2492, _mm512_mask_blend_ps(0x9249, x.raw, y.raw), z.raw)}, 1);
        put(FloatVec{_mm512_mask_blend_ps(0x9249, _mm512_mask_blend_ps(0x4924, x.raw, y.raw), z.raw)}, 2);
#elif HWY_TARGET == HWY_AVX2
        put(FloatVec{_mm256_blend_ps(_mm256_blend_ps(x.raw, y.raw, 0x92), z.raw, 0x24)}, 0);
        put(FloatVec{_mm256_blend_ps(_mm256_blend_ps(x.raw, y.raw, 0x24), z.raw, 0x49)}, 1);
        put(FloatVec{_mm256_blend_ps(_mm256_blend_ps(x.raw, y.raw, 0x49), z.raw, 0x92)}, 2);
#elif HWY_TARGET == HWY_SSE4
        put(FloatVec{_mm_blend_ps(_mm_blend_ps(x.raw, y.raw, 0x2), z.raw, 0x4)}, 0);
        put(FloatVec{_mm_blend_ps(_mm_blend_ps(x.raw, y.raw, 0x9), z.raw, 0x2)}, 1);
        put(FloatVec{_mm_blend_ps(_mm_blend_ps(x.raw, y.raw, 0x4), z.raw, 0x9)}, 2);
#else
        const IntTag di;
        for (std::size_t part = 0; part < 3; ++part) {
            const auto isX = hn::RebindMask(df, hn::Eq(coordinates_[part], hn::Zero(di)));
            const auto isY = hn::RebindMask(df, hn::Eq(coordinates_[part], hn::Set(di, 1)));
            put(hn::IfThenElse(isX, x, hn::IfThenElse(isY, y, z)), part);
        }
#endif
    }

private:
    using Elements = decltype(hn::IndicesFromVec(FloatTag(), hn::Zero(IntTag())));
    Elements elements_[3];   // per coordinate: which element each lane takes
    IntVec coordinates_[3];  // per output vector: which coordinate each lane holds
};

// A colour as the vector loops carry it (packColor) in every lane, as a float vector's bits.
HWY_INLINE FloatVec colorBits(WordVec bgr) { return hn::BitCast(FloatTag(), bgr); }

// The lanes' coloured points at out: colour (with the padding byte zero), x, y, z, the elements' sixteen
// bytes. With `stream` (out then starts a cache line), they are streamed out. Highway interleaves into memory
// only; with the copy loop unrolled, the compiler streams the interleaved vectors from registers instead of
// going through the stack (AVX2 coloured points took up to a tenth less time).
HWY_INLINE void storeColorPoints(WordVec bgr, const Points& pt, api::ElementPointXYZBGR* out,
                                 bool stream = false) {
    if (!stream) {
        hn::StoreInterleaved4(colorBits(bgr), pt.x, pt.y, pt.z, FloatTag(), reinterpret_cast<float*>(out));
        return;
    }
    const FloatTag df;
    const std::size_t lanes = hn::Lanes(df);
    HWY_ALIGN float buf[4 * kMaxLanes];
    hn::StoreInterleaved4(colorBits(bgr), pt.x, pt.y, pt.z, df, buf);
    float* dst = reinterpret_cast<float*>(out);
#pragma GCC unroll 4
    for (std::size_t n = 0; n < 4; ++n) hn::Stream(hn::Load(df, buf + n * lanes), df, dst + n * lanes);
}

// The colours of the lanes' pixels, read one by one.
HWY_INLINE WordVec pixelColors(const api::ElementColor* pixels) {
    std::uint32_t bgr[kMaxLanes];
    for (std::size_t lane = 0; lane < hn::Lanes(WordTag()); ++lane) bgr[lane] = packColor(pixels[lane]);
    return hn::LoadU(WordTag(), bgr);
}

// Byte At of every 32-bit lane, as a number. One byte shuffle picks it: the shuffle port has room in the
// sampler, while shifts and conversions compete with the mixing's products for the same ports.
template <int At>
HWY_INLINE FloatVec level(WordVec words) {
    const hn::Repartition<std::uint8_t, WordTag> d8;
    constexpr std::uint8_t z = 0x80;  // a zero byte
    alignas(16) static constexpr std::uint8_t kPick[16] = {At,     z, z, z, 4 + At,  z, z, z,
                                                           8 + At, z, z, z, 12 + At, z, z, z};
    const auto picked = hn::TableLookupBytesOr0(hn::BitCast(d8, words), hn::LoadDup128(d8, kPick));
    return hn::ConvertTo(FloatTag(), hn::BitCast(IntTag(), picked));
}

// The floats' integer parts, for floats known to lie in the int32 range (or lanes that are then dropped).
// x86 converts by one instruction; Highway's ConvertTo adds three operations there to saturate.
HWY_INLINE IntVec truncated(FloatVec v) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    return IntVec{_mm512_cvttps_epi32(v.raw)};
#elif HWY_TARGET == HWY_AVX2
    return IntVec{_mm256_cvttps_epi32(v.raw)};
#elif HWY_TARGET == HWY_SSE4
    return IntVec{_mm_cvttps_epi32(v.raw)};
#else
    return hn::ConvertTo(IntTag(), v);
#endif
}

// The little-endian 32-bit words at base + offset of every lane (offsets in bytes, at any alignment).
HWY_INLINE WordVec gatherWords(const unsigned char* base, IntVec offsets) {
    return hn::GatherOffset(WordTag(), reinterpret_cast<const std::uint32_t*>(base), offsets);
}

// What sampleBilinear reads for every lane of a step: the words of the four neighbouring pixels (w[1] and
// w[3], the right-hand ones, from one byte early), the weights, and which lanes are sampled (all ones).
struct BilinearInputs {
    WordVec w[4];
    FloatVec a, b, na, nb;
    IntVec keep;
};

// The byte offsets of the pixels (x0, y0) of the lanes kept (all ones in `keep`); lanes not kept read pixel
// (0, 0), which every image of two by two pixels has. On x86, x0 and y0 go as a pair of 16-bit
// integers into one multiply-add when they fit (ImageGeometry::pairs): the 32-bit product costs two
// operations and ten cycles there, on the way to the sampler's gathers, and the pairs took up to a tenth off
// the coloured points and the texture masks with AVX2 and AVX-512.
HWY_INLINE IntVec pixelOffsets(IntVec x0, IntVec y0, IntVec keep, const ImageGeometry& g) {
    const IntTag di;
#if QUORIX_X86_VECTOR_TARGET
    if (g.pairs) {
        const IntVec pairs = hn::And(hn::Or(x0, hn::ShiftLeft<16>(y0)), keep);
        const IntVec factors = hn::Set(di, 3 | ((3 * g.width) << 16));
#if HWY_TARGET == HWY_AVX2
        return IntVec{_mm256_madd_epi16(pairs.raw, factors.raw)};
#elif HWY_TARGET == HWY_SSE4
        return IntVec{_mm_madd_epi16(pairs.raw, factors.raw)};
#else
        return IntVec{_mm512_madd_epi16(pairs.raw, factors.raw)};
#endif
    }
#endif
    const IntVec pixel = hn::Add(hn::Mul(hn::And(y0, keep), hn::Set(di, g.width)), hn::And(x0, keep));
    return hn::Add(pixel, hn::Add(pixel, pixel));
}

// Whether a batch reads the sampler's pixels for all its steps before mixing any: where gathers are loads
// lane by lane (Highway emulates them below AVX2). With SSE4 on the Intel cores measured, coloured points and
// coloured texture masks took a ninth to a seventh less time (texture masks without colour the same). With
// AVX2 and AVX-512, whose gathers are instructions, the coloured points took up to a seventh more.
inline constexpr bool kGatherAhead =
    HWY_TARGET != HWY_AVX2 && HWY_TARGET != HWY_AVX3 && HWY_TARGET != HWY_AVX3_DL;

#if QUORIX_X86_VECTOR_TARGET
// The 8 bytes at base + offsets[lane] of every lane of a step, in two vectors of 64-bit elements laid out so
// that one in-lane shuffle of the two picks a word of every lane in order: of the lanes 4k to 4k + 3 of
// 128-bit block k, `first` holds those of 4k and 4k + 1 in its block k, `second` those of 4k + 2 and 4k + 3.
// Each block is one 8-byte load and one load into its upper half, rather than a gather or a store of the
// lanes to memory read back whole (which the processor cannot forward from the stores).
class PixelPairs {
public:
#if HWY_TARGET == HWY_SSE4
    using Raw = __m128i;
#elif HWY_TARGET == HWY_AVX2
    using Raw = __m256i;
#else
    using Raw = __m512i;
#endif

    HWY_INLINE PixelPairs(Raw first, Raw second) : first_(first), second_(second) {}

    // The word at the byte of every lane's eight that `Pick` names (kEvenWords: 0, kOddWords: 4).
    template <int Pick>
    HWY_INLINE WordVec words() const {
#if HWY_TARGET == HWY_SSE4
        return WordVec{
            _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(first_), _mm_castsi128_ps(second_), Pick))};
#elif HWY_TARGET == HWY_AVX2
        return WordVec{_mm256_castps_si256(
            _mm256_shuffle_ps(_mm256_castsi256_ps(first_), _mm256_castsi256_ps(second_), Pick))};
#else
        return WordVec{_mm512_castps_si512(
            _mm512_shuffle_ps(_mm512_castsi512_ps(first_), _mm512_castsi512_ps(second_), Pick))};
#endif
    }

    // Every lane's eight bytes moved down by two.
    HWY_INLINE PixelPairs shifted() const {
#if HWY_TARGET == HWY_SSE4
        return PixelPairs(_mm_srli_epi64(first_, 16), _mm_srli_epi64(second_, 16));
#elif HWY_TARGET == HWY_AVX2
        return PixelPairs(_mm256_srli_epi64(first_, 16), _mm256_srli_epi64(second_, 16));
#else
        return PixelPairs(_mm512_srli_epi64(first_, 16), _mm512_srli_epi64(second_, 16));
#endif
    }

    // The 8 bytes at base + a and at base + b.
    static HWY_INLINE __m128i block(const unsigned char* base, std::int32_t a, std::int32_t b) {
        const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + a));
        return _mm_castpd_si128(
            _mm_loadh_pd(_mm_castsi128_pd(low), reinterpret_cast<const double*>(base + b)));
    }

private:
    Raw first_, second_;
};
inline constexpr int kEvenWords = 0x88, kOddWords = 0xDD;

HWY_INLINE PixelPairs pixelPairs(const unsigned char* base, const std::int32_t* offsets) {
    auto half = [&](int lane) {  // lanes lane, lane + 1 and lane + 4, lane + 5 (AVX2's whole vector)
        const __m128i low = PixelPairs::block(base, offsets[lane], offsets[lane + 1]);
#if HWY_TARGET == HWY_SSE4
        return low;
#else
        return _mm256_inserti128_si256(_mm256_castsi128_si256(low),
                                       PixelPairs::block(base, offsets[lane + 4], offsets[lane + 5]), 1);
#endif
    };
#if HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2
    return PixelPairs(half(0), half(2));
#else
    auto whole = [&](int lane) {
        return _mm512_inserti64x4(_mm512_castsi256_si512(half(lane)), half(lane + 8), 1);
    };
    return PixelPairs(whole(0), whole(2));
#endif
}
#endif  // QUORIX_X86_VECTOR_TARGET

// make(w0, w1, w2, w3) with the words of BilinearInputs::w at the byte offsets `at` of the lanes' pixels, in
// an image of rowBytes a row; `stored` holds the same offsets in memory where the batch kept them
// (keepsPixelOffsets), null otherwise. Where gathers are loads lane by lane (SSE4, NEON, and on x86 where
// gather instructions are slow), each lane's two pixels of a row come as one 8-byte load, and the words are
// picked from them: half the loads (with SSE4 the texture masks took 3 to 5 % less time). The upper row's is
// read from the pixel on, the lower row's from two bytes before it, so that neither passes an end of the
// image.
template <typename Make>
HWY_INLINE auto neighbourWords(const ImageGeometry& g, IntVec at, const std::int32_t* stored,
                               std::int64_t rowBytes, const Make& make) {
#if QUORIX_X86_VECTOR_TARGET
    // On x86 the 8-byte loads are built into vectors in registers (pixelPairs), also with AVX2 and AVX-512
    // where the processor's gather instructions are slow: on a Zen 5 core the coloured points took up to a
    // tenth less time, the texture masks up to a sixth.
    if (kGatherAhead || g.slowGathers) {
        HWY_ALIGN std::int32_t own[kMaxLanes];
        const std::int32_t* offsets = stored;
        if (offsets == nullptr) {
            hn::Store(at, IntTag(), own);
            offsets = own;
        }
        const PixelPairs upper = pixelPairs(g.top, offsets),
                         lower = pixelPairs(g.top + rowBytes - 2, offsets);
        return make(upper.words<kEvenWords>(), upper.shifted().words<kEvenWords>(),
                    lower.shifted().words<kEvenWords>(), lower.words<kOddWords>());
    }
#elif HWY_MAX_BYTES == 16
    if constexpr (kGatherAhead) {
        const WordTag du;
        const hn::Repartition<std::uint64_t, WordTag> d64;
        const hn::Rebind<std::int64_t, decltype(d64)> di64;
        const auto lowOffsets = hn::PromoteTo(di64, hn::LowerHalf(at));
        const auto highOffsets = hn::PromoteTo(di64, hn::UpperHalf(hn::Half<IntTag>(), at));
        auto rows = [&](const unsigned char* base, decltype(lowOffsets) offsets) {
            return hn::GatherOffset(d64, reinterpret_cast<const std::uint64_t*>(base), offsets);
        };
        const unsigned char* lower = g.top + rowBytes - 2;
        const auto upperLow = rows(g.top, lowOffsets), upperHigh = rows(g.top, highOffsets);
        const auto lowerLow = rows(lower, lowOffsets), lowerHigh = rows(lower, highOffsets);
        // The low words of the lanes' 8-byte words, or the high ones.
        auto low = [&](decltype(upperLow) first, decltype(upperLow) second) {
            return hn::ConcatEven(du, hn::BitCast(du, second), hn::BitCast(du, first));
        };
        return make(low(upperLow, upperHigh),
                    low(hn::ShiftRight<16>(upperLow), hn::ShiftRight<16>(upperHigh)),
                    low(hn::ShiftRight<16>(lowerLow), hn::ShiftRight<16>(lowerHigh)),
                    hn::ConcatOdd(du, hn::BitCast(du, lowerHigh), hn::BitCast(du, lowerLow)));
    }
#endif
    (void)stored;  // kept for x86's lane-by-lane loads only
    // Four bytes from each pixel's start; the right-hand pixels are read from one byte early, so that no read
    // passes the last pixel.
    return make(gatherWords(g.top, at), gatherWords(g.top + 2, at), gatherWords(g.top + rowBytes, at),
                gatherWords(g.top + rowBytes + 2, at));
}

// How far below a step's first pixel the sampler fetches the 2D image ahead, in rows. Two to sixteen rows
// measured the same.
inline constexpr std::int64_t kPrefetchRows = 4;

// Where the lanes at (u, v) are sampled, for images with g.vector: the lanes sampled (all ones in keep; not
// those with a negative or NaN coordinate) and the upper-left pixel (x0, y0) of each.
struct SampledPixels {
    IntVec keep, x0, y0;
};
HWY_INLINE SampledPixels sampledPixels(FloatVec u, FloatVec v, const ImageGeometry& g) {
    const FloatTag df;
    const IntTag di;
    const FloatVec zero = hn::Zero(df);
    // Sampled where 0 <= u < endX (and v likewise): floor(u) is then at most the last x0 with a right
    // neighbour, and it is u's integer part, so nothing is rounded down (with SSE4 a rounding costs two
    // operations a vector; the texture masks took 2 to 3 % less time).
    auto valid = hn::And(hn::Ge(u, zero), hn::Ge(v, zero));
    valid = hn::And(valid, hn::Lt(u, hn::Set(df, g.endX)));
    valid = hn::And(valid, hn::Lt(v, hn::Set(df, g.endY)));
    return SampledPixels{hn::VecFromMask(di, hn::RebindMask(di, valid)), truncated(u), truncated(v)};
}

// The byte offsets of the pixels the lanes at (u, v) read first (pixelOffsets of sampledPixels).
HWY_INLINE IntVec sampleOffsets(FloatVec u, FloatVec v, const ImageGeometry& g) {
    const SampledPixels at = sampledPixels(u, v, g);
    return pixelOffsets(at.x0, at.y0, at.keep, g);
}

// For images with g.vector; `stored` holds sampleOffsets(u, v, g) where the batch kept them, null otherwise.
HWY_INLINE BilinearInputs bilinearInputs(FloatVec u, FloatVec v, const ImageGeometry& g,
                                         const std::int32_t* stored = nullptr) {
    const FloatTag df;
    const IntTag di;
    const SampledPixels pixels = sampledPixels(u, v, g);
    const IntVec keep = pixels.keep;
    const FloatVec fu = hn::ConvertTo(df, pixels.x0), fv = hn::ConvertTo(df, pixels.y0);
    const IntVec at = stored != nullptr ? hn::Load(di, stored) : pixelOffsets(pixels.x0, pixels.y0, keep, g);
    const std::int64_t rowBytes = 3 * static_cast<std::int64_t>(g.width);
    // The image a few rows further down, where the steps of later depth rows will read, is fetched ahead:
    // with AVX2 and AVX-512 the coloured points and texture masks at 2448x2048 took about a sixth less time
    // on the Intel cores measured, at 1920x1200 up to a tenth less; with SSE4 a few percent.
    const std::int64_t ahead = hn::GetLane(at) + kPrefetchRows * rowBytes;
    if (ahead < g.bytes) hwy::Prefetch(g.top + ahead);
    const FloatVec a = hn::Sub(u, fu), b = hn::Sub(v, fv);
    const FloatVec one = hn::Set(df, 1.0f);
    return neighbourWords(g, at, stored, rowBytes, [&](WordVec w0, WordVec w1, WordVec w2, WordVec w3) {
        return BilinearInputs{{w0, w1, w2, w3}, a, b, hn::Sub(one, a), hn::Sub(one, b), keep};
    });
}

// One channel of sampleBilinear for every lane: the formula's products and sums, in its order.
template <int Channel>
HWY_INLINE WordVec mixChannel(const BilinearInputs& in) {
    const WordVec(&w)[4] = in.w;
    FloatVec s = hn::Mul(hn::Mul(level<1 + Channel>(w[1]), in.a), in.nb);
    s = hn::Add(s, hn::Mul(hn::Mul(level<Channel>(w[0]), in.na), in.nb));
    s = hn::Add(s, hn::Mul(hn::Mul(level<Channel>(w[2]), in.na), in.b));
    s = hn::Add(s, hn::Mul(hn::Mul(level<1 + Channel>(w[3]), in.a), in.b));
    // The formula keeps the low byte of the integer, which is the integer: the weights are at most one and
    // sum to at most one and a few float roundings. Lanes not sampled hold anything; callers drop them.
    return hn::BitCast(WordTag(), truncated(s));
}

// The three channels, packed as packColor packs them; black where not sampled.
HWY_INLINE WordVec mixColors(const BilinearInputs& in) {
    const WordVec bgr = hn::Or(hn::Or(mixChannel<0>(in), hn::ShiftLeft<8>(mixChannel<1>(in))),
                               hn::ShiftLeft<16>(mixChannel<2>(in)));
    return hn::And(bgr, hn::BitCast(WordTag(), in.keep));
}

// A batch of steps (ProjectedBatch) keeps each of its values for all its steps in one row of words.
inline constexpr std::size_t kBatchSteps = 16;
inline constexpr std::size_t kBatchRow = kBatchSteps * kMaxLanes;

// The sampler's inputs of a step read ahead, as words at `at`, one batch row apart (in arrays: vectors
// cannot be default-built on every target). The weights' complements are worked out again: a subtraction
// costs less than a store and a load.
inline constexpr std::size_t kKeptInputs = 7;
HWY_INLINE void keepInputs(std::uint32_t* at, const BilinearInputs& in) {
    const WordTag du;
    for (int n = 0; n < 4; ++n) hn::Store(in.w[n], du, at + n * kBatchRow);
    hn::Store(hn::BitCast(du, in.a), du, at + 4 * kBatchRow);
    hn::Store(hn::BitCast(du, in.b), du, at + 5 * kBatchRow);
    hn::Store(hn::BitCast(du, in.keep), du, at + 6 * kBatchRow);
}
HWY_INLINE BilinearInputs keptInputs(const std::uint32_t* at) {
    const WordTag du;
    const FloatTag df;
    auto word = [&](int n) { return hn::Load(du, at + n * kBatchRow); };
    const FloatVec a = hn::BitCast(df, word(4)), b = hn::BitCast(df, word(5));
    const FloatVec one = hn::Set(df, 1.0f);
    return BilinearInputs{{word(0), word(1), word(2), word(3)}, a, b, hn::Sub(one, a), hn::Sub(one, b),
                          hn::BitCast(IntTag(), word(6))};
}

// Where a step's points land in the 2D image, what the vector sampler reads there when the batch read it
// ahead (keepInputs), and the offsets of the pixels it reads when the batch kept them (keepsPixelOffsets);
// null where not.
struct Landing {
    FloatVec u, v;
    const std::uint32_t* ahead;
    const std::int32_t* offsets;
};

// For images with g.vector: use(inputs) with what the sampler reads for the lanes' landings. A call for each
// case rather than a copy of the inputs read ahead, and the kept inputs loaded here rather than handed over
// built: with SSE4 either went through the stack (loading them here took 5 to 8 % off the texture mask
// without colour, 1 to 4 % off the coloured one).
template <typename Use>
HWY_INLINE auto withInputs(const Landing& at, const ImageGeometry& g, const Use& use) {
    if (at.ahead != nullptr) return use(keptInputs(at.ahead));
    return use(bilinearInputs(at.u, at.v, g, at.offsets));
}

// sampleBilinear at (u, v) of every lane, packed as packColor packs it: the same float operations in the same
// order, so the same bytes. Lanes with a negative or NaN coordinate are black.
HWY_INLINE WordVec bilinear(const Landing& at, const api::Frame<api::ElementColor>& color,
                            const ImageGeometry& g) {
    const WordTag du;
    if (!g.vector) {
        const FloatTag df;
        float us[kMaxLanes], vs[kMaxLanes];
        std::uint32_t bgr[kMaxLanes];
        hn::StoreU(at.u, df, us);
        hn::StoreU(at.v, df, vs);
        for (std::size_t lane = 0; lane < hn::Lanes(df); ++lane)
            bgr[lane] = packColor(sampleBilinear(color, us[lane], vs[lane]));
        return hn::LoadU(du, bgr);
    }
    return withInputs(at, g, [](const BilinearInputs& in) { return mixColors(in); });
}

// Whether every lane's four neighbouring pixels are black, so that its sample is: masks from detectors are
// mostly black, and then the sampler's arithmetic is skipped.
HWY_INLINE bool allNeighboursBlack(const BilinearInputs& in) {
    const WordTag du;
    const WordVec left = hn::And(hn::Or(in.w[0], in.w[2]), hn::Set(du, 0x00FFFFFFu));
    const WordVec right = hn::And(hn::Or(in.w[1], in.w[3]), hn::Set(du, 0xFFFFFF00u));
    return hn::AllTrue(du, hn::Eq(hn::And(hn::Or(left, right), hn::BitCast(du, in.keep)), hn::Zero(du)));
}

// bilinear(at, mask, g) for a mask: black at once where every neighbour is.
HWY_INLINE WordVec maskSample(const Landing& at, const api::Frame<api::ElementColor>& mask,
                              const ImageGeometry& g) {
    if (!g.vector) return bilinear(at, mask, g);
    return withInputs(at, g, [](const BilinearInputs& in) {
        return allNeighboursBlack(in) ? hn::Zero(WordTag()) : mixColors(in);
    });
}

// The lanes with a channel at level 2 or more in all four neighbours. Their samples are set: the four
// weights sum to one within a few float roundings, so the mixed channel is at least 1.99.
HWY_INLINE hn::Mask<WordTag> neighboursAllLit(const BilinearInputs& in) {
    const WordTag du;
    const hn::Repartition<std::uint8_t, WordTag> d8;
    auto least = [&](WordVec left, WordVec right) {
        return hn::Min(hn::BitCast(d8, left), hn::BitCast(d8, hn::ShiftRight<8>(right)));
    };
    const WordVec levels = hn::BitCast(du, hn::Min(least(in.w[0], in.w[1]), least(in.w[2], in.w[3])));
    return hn::Ne(hn::And(levels, hn::Set(du, 0x00FEFEFEu)), hn::Zero(du));
}

// The lanes whose mask sample (bilinear) is not black, for clouds that keep no colour: a channel is only
// mixed when the lanes' neighbours leave it in doubt, and a later channel only for the lanes whose earlier
// ones are black.
HWY_INLINE hn::Mask<WordTag> maskSampleSet(const Landing& at, const api::Frame<api::ElementColor>& mask,
                                           const ImageGeometry& g) {
    const WordTag du;
    if (!g.vector) return hn::Ne(bilinear(at, mask, g), hn::Zero(du));
    return withInputs(at, g, [&](const BilinearInputs& in) {
        const auto sampled = hn::Ne(hn::BitCast(du, in.keep), hn::Zero(du));
        if (allNeighboursBlack(in)) return hn::FirstN(du, 0);
        auto set = neighboursAllLit(in);
        if (hn::AllTrue(du, hn::Or(set, hn::Not(sampled)))) return hn::And(set, sampled);
        set = hn::Or(set, hn::Ne(mixChannel<0>(in), hn::Zero(du)));
        if (!hn::AllTrue(du, hn::Or(set, hn::Not(sampled)))) {
            set = hn::Or(set, hn::Ne(mixChannel<1>(in), hn::Zero(du)));
            if (!hn::AllTrue(du, hn::Or(set, hn::Not(sampled))))
                set = hn::Or(set, hn::Ne(mixChannel<2>(in), hn::Zero(du)));
        }
        return hn::And(set, sampled);
    });
}

// Whether a batch keeps the offsets of the pixels its steps read as it takes each step: on x86 where the
// sampler reads them lane by lane after the batch (AVX2 and AVX-512 where gathers are slow, pixelPairs).
// Taken out of the vector in the sampler, the offsets held up the loads there: on a Zen 5 core the coloured
// points took a ninth less time with AVX2 and a sixth less with AVX-512, the texture masks up to a sixth
// less. SSE4 reads the batch's pixels ahead of the mixing (kGatherAhead), and keeping them cost it a few
// percent.
HWY_INLINE bool keepsPixelOffsets(const ImageGeometry& g) {
    return QUORIX_X86_VECTOR_TARGET && !kGatherAhead && g.vector && g.slowGathers;
}

// Steps worked in two passes: a batch of them takes its points and where they land in the 2D image, then the
// batch is sampled. Each pass is a shorter chain of dependent operations, so the processor overlaps more
// steps of it (the coloured points took a sixth less time on the Intel cores measured).
class ProjectedBatch {
public:
    explicit ProjectedBatch(const ImageGeometry& g) : geometry_(g) {}

    // Keeps one step's points and image coordinates; finish(i, stream, points, landing) then runs for every
    // kept step when the batch is full (and at flush), `stream` its LaneCoordinates' own.
    template <typename Finish>
    HWY_INLINE void add(std::size_t i, bool stream, const Points& pt, FloatVec u, FloatVec v,
                        const Finish& finish) {
        // One store each: a loop over an initializer list went through a copy on the stack. The step is read
        // once: the vector stores may alias size_ for the compiler.
        const std::size_t step = size_;
        keepValue(kX, step, pt.x);
        keepValue(kY, step, pt.y);
        keepValue(kZ, step, pt.z);
        keepValue(kU, step, u);
        keepValue(kV, step, v);
        if (keepsPixelOffsets(geometry_)) hn::Store(sampleOffsets(u, v, geometry_), IntTag(), offsets(step));
        streams_[step] = stream;
        starts_[step] = i;
        size_ = step + 1;
        if (size_ == kBatchSteps) flush(finish);
    }

    // Not inlined itself, so that `finish` has this one call site and is inlined here: a call per step costs
    // more than the call per batch.
    template <typename Finish>
    HWY_NOINLINE void flush(const Finish& finish) {
        const bool ahead = kGatherAhead && geometry_.vector;
        // A copy the stores below cannot alias: its fields and their vectors stay in registers.
        const ImageGeometry g = geometry_;
        const std::size_t lanes = hn::Lanes(WordTag());
        const bool kept = keepsPixelOffsets(g);
        for (std::size_t step = 0; ahead && step < size_; ++step)
            keepInputs(inputs_[0] + step * lanes, bilinearInputs(value(kU, step), value(kV, step), g));
        for (std::size_t step = 0; step < size_; ++step) {
            finish(starts_[step], streams_[step], Points{value(kX, step), value(kY, step), value(kZ, step)},
                   Landing{value(kU, step), value(kV, step), ahead ? inputs_[0] + step * lanes : nullptr,
                           kept ? offsets(step) : nullptr});
        }
        size_ = 0;
    }

private:
    enum Value { kX, kY, kZ, kU, kV };

    HWY_INLINE void keepValue(Value n, std::size_t step, FloatVec value) {
        const FloatTag df;
        hn::Store(value, df, values_[n] + step * hn::Lanes(df));
    }
    HWY_INLINE FloatVec value(Value n, std::size_t step) const {
        const FloatTag df;
        return hn::Load(df, values_[n] + step * hn::Lanes(df));
    }
    HWY_INLINE std::int32_t* offsets(std::size_t step) { return offsets_ + step * hn::Lanes(IntTag()); }

    HWY_ALIGN float values_[5][kBatchRow];
    HWY_ALIGN std::uint32_t inputs_[kKeptInputs][kBatchRow];
    HWY_ALIGN std::int32_t offsets_[kBatchRow];  // where keepsPixelOffsets
    std::size_t starts_[kBatchSteps];
    bool streams_[kBatchSteps];
    std::size_t size_ = 0;
    const ImageGeometry& geometry_;
};

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
