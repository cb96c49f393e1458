// The loops of cloud_packing.h for every instruction set Highway compiles them for, chosen at run time. A
// mask picks the measured points of a vector instead of a branch per point: in real clouds points with and
// without a measurement mix at random.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "src/cloud_packing.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// foreach_target.h must come first.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "cloud_packing.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace files {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using FloatTag = hn::ScalableTag<float>;
using WordTag = hn::RebindToUnsigned<FloatTag>;
using FloatVec = hn::Vec<FloatTag>;
using WordVec = hn::Vec<WordTag>;

// The most floats a vector of any target holds.
constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(float);
static_assert(4 * HWY_MAX_BYTES <= kPackSlack, "a vector of packed points fits in the slack");

// Calls body(points, real) for each vector's worth of points of kFloats floats each; the last, partial one
// comes from a copy padded with zeros, which are unmeasured points, and `real` says how many are real.
template <std::size_t kFloats, class Body>
HWY_INLINE void forEachVector(const float* points, std::size_t count, const Body& body) {
    const std::size_t lanes = hn::Lanes(FloatTag());
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes) body(points + i * kFloats, lanes);
    if (i == count) return;
    float padded[kFloats * kMaxLanes] = {};
    std::memcpy(padded, points + i * kFloats, (count - i) * kFloats * sizeof(float));
    body(padded, count - i);
}

// Three floats x y z per point, or four: the colour word (b, g, r, padding byte) first.
template <std::size_t kFloats>
HWY_INLINE void loadPoints(const float* p, FloatVec& x, FloatVec& y, FloatVec& z, WordVec& colour) {
    const FloatTag d;
    if constexpr (kFloats == 3) {
        hn::LoadInterleaved3(d, p, x, y, z);
        colour = hn::Zero(WordTag());
    } else {
        FloatVec c = hn::Zero(d);
        hn::LoadInterleaved4(d, p, c, x, y, z);
        colour = hn::BitCast(WordTag(), c);
    }
}

// isMeasured for a vector of points: positive depth, every coordinate finite (NaN fails the comparison).
HWY_INLINE hn::Mask<FloatTag> measured(FloatVec x, FloatVec y, FloatVec z) {
    return hn::And(hn::Gt(z, hn::Zero(FloatTag())),
                   hn::And(hn::IsFinite(x), hn::And(hn::IsFinite(y), hn::IsFinite(z))));
}

template <std::size_t kFloats>
std::size_t countOf(const float* points, std::size_t count) {
    std::size_t n = 0;
    forEachVector<kFloats>(points, count, [&n](const float* p, std::size_t) {
        FloatVec x = hn::Zero(FloatTag()), y = x, z = x;
        WordVec colour = hn::Zero(WordTag());
        loadPoints<kFloats>(p, x, y, z, colour);
        n += hn::CountTrue(FloatTag(), measured(x, y, z));
    });
    return n;
}

// Records of 12 bytes (x y z), 16 (x y z and PCD's colour word) or 15 (x y z and PLY's red green blue,
// written as 16 each overlapping the next); returns the bytes packed.
template <std::size_t kFloats, BinaryFormat kFormat, bool kOrganized>
std::size_t packOf(const float* points, std::size_t count, char* out) {
    const FloatTag d;
    const WordTag du;
    constexpr bool kColoured = kFloats == 4;
    constexpr bool kSqueezed = kColoured && kFormat == BinaryFormat::Ply;
    constexpr std::size_t kRecord = !kColoured ? 12 : kSqueezed ? 15 : 16;
    const FloatVec nan = hn::Set(d, std::numeric_limits<float>::quiet_NaN());
    std::size_t packed = 0;
    forEachVector<kFloats>(points, count, [&](const float* p, std::size_t real) {
        FloatVec x = hn::Zero(d), y = x, z = x;
        WordVec colour = hn::Zero(du);
        loadPoints<kFloats>(p, x, y, z, colour);
        const auto kept = measured(x, y, z);
        std::size_t records = real;
        if constexpr (kOrganized) {
            // Every point, NaN where nothing was measured; the colour stays.
            x = hn::IfThenElse(kept, x, nan);
            y = hn::IfThenElse(kept, y, nan);
            z = hn::IfThenElse(kept, z, nan);
        } else {
            x = hn::Compress(x, kept);
            y = hn::Compress(y, kept);
            z = hn::Compress(z, kept);
            if constexpr (kColoured) colour = hn::Compress(colour, hn::RebindMask(du, kept));
            records = hn::CountTrue(d, kept);
        }
        char* const at = out + packed;
        packed += records * kRecord;
        if constexpr (!kColoured) {
            // Records of whole floats in a buffer of the allocator's alignment: float-aligned.
            hn::StoreInterleaved3(x, y, z, d, reinterpret_cast<float*>(at));
        } else if constexpr (!kSqueezed) {
            // 0x00RRGGBB: the point's b, g, r bytes, the padding byte cleared.
            colour = hn::And(colour, hn::Set(du, 0x00FFFFFFu));
            hn::StoreInterleaved4(x, y, z, hn::BitCast(d, colour), d, reinterpret_cast<float*>(at));
        } else {
            // Bytes r, g, b (then a zero the next record overwrites).
            colour = hn::Or(hn::Or(hn::ShiftLeft<16>(hn::And(colour, hn::Set(du, 0xFFu))),
                                   hn::And(colour, hn::Set(du, 0xFF00u))),
                            hn::And(hn::ShiftRight<16>(colour), hn::Set(du, 0xFFu)));
            float staged[4 * kMaxLanes];
            hn::StoreInterleaved4(x, y, z, hn::BitCast(d, colour), d, staged);
            for (std::size_t i = 0; i < records; ++i) std::memcpy(at + 15 * i, staged + 4 * i, 16);
        }
    });
    return packed;
}

std::size_t CountXyz(const float* points, std::size_t count) { return countOf<3>(points, count); }
std::size_t CountXyzBgr(const float* points, std::size_t count) { return countOf<4>(points, count); }

// Plain records are the same in both formats.
std::size_t PackXyz(const float* points, std::size_t count, bool organized, char* out) {
    return organized ? packOf<3, BinaryFormat::Pcd, true>(points, count, out)
                     : packOf<3, BinaryFormat::Pcd, false>(points, count, out);
}
std::size_t PackXyzBgrPly(const float* points, std::size_t count, bool organized, char* out) {
    return organized ? packOf<4, BinaryFormat::Ply, true>(points, count, out)
                     : packOf<4, BinaryFormat::Ply, false>(points, count, out);
}
std::size_t PackXyzBgrPcd(const float* points, std::size_t count, bool organized, char* out) {
    return organized ? packOf<4, BinaryFormat::Pcd, true>(points, count, out)
                     : packOf<4, BinaryFormat::Pcd, false>(points, count, out);
}

}  // namespace HWY_NAMESPACE
}  // namespace files
}  // namespace norvik
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace norvik {
namespace files {

HWY_EXPORT(CountXyz);
HWY_EXPORT(CountXyzBgr);
HWY_EXPORT(PackXyz);
HWY_EXPORT(PackXyzBgrPly);
HWY_EXPORT(PackXyzBgrPcd);

namespace {

// Points as the floats they are made of; the coloured point's first float holds its colour bytes.
template <typename Point>
const float* floatsOf(const Point* points) {
    static_assert(sizeof(Point) % sizeof(float) == 0 && alignof(Point) == alignof(float), "points of floats");
    return reinterpret_cast<const float*>(points);
}

// A cloud larger than the caches: the count waits for memory, so every core reads a share of it. Shares are
// handed out as threads come for them: a thread the busy machine does not run leaves its shares to others.
template <typename Point, typename Count>
std::size_t countInParallel(const Point* points, std::size_t count, Count countRange) {
    constexpr std::size_t kChunk = std::size_t(1) << 16;
    if (count <= kChunk) return countRange(floatsOf(points), count);
    const auto chunks = static_cast<std::ptrdiff_t>((count + kChunk - 1) / kChunk);
    std::size_t measured = 0;
#pragma omp parallel for schedule(dynamic) reduction(+ : measured)
    for (std::ptrdiff_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t begin = static_cast<std::size_t>(chunk) * kChunk;
        measured += countRange(floatsOf(points + begin), std::min(kChunk, count - begin));
    }
    return measured;
}

}  // namespace

std::size_t countMeasured(const api::ElementPointXYZ* points, std::size_t count) {
    return countInParallel(points, count, HWY_DYNAMIC_DISPATCH(CountXyz));
}
std::size_t countMeasured(const api::ElementPointXYZBGR* points, std::size_t count) {
    return countInParallel(points, count, HWY_DYNAMIC_DISPATCH(CountXyzBgr));
}

std::size_t packPoints(const api::ElementPointXYZ* points, std::size_t count, bool organized, BinaryFormat,
                       char* out) {
    return HWY_DYNAMIC_DISPATCH(PackXyz)(floatsOf(points), count, organized, out);
}
std::size_t packPoints(const api::ElementPointXYZBGR* points, std::size_t count, bool organized,
                       BinaryFormat format, char* out) {
    return format == BinaryFormat::Ply
               ? HWY_DYNAMIC_DISPATCH(PackXyzBgrPly)(floatsOf(points), count, organized, out)
               : HWY_DYNAMIC_DISPATCH(PackXyzBgrPcd)(floatsOf(points), count, organized, out);
}

}  // namespace files
}  // namespace norvik
#endif  // HWY_ONCE
