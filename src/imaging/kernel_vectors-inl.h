// What the vector loops of every instruction set share: the vectors of one step (a full vector of floats, one
// pixel per lane, the doubles in two halves), doubles rounded to float as the formulas round them, and the
// test for doubles next to a float rounding midpoint.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_VECTORS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
#undef QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include "hwy/highway.h"

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

// A step's points, one per lane.
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

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
