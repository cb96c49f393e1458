// The loops of cloud_kernels.h for every instruction set Highway compiles them for, chosen at run time. Every
// value is the double formula rounded to float, to the bit: the loops do the formulas' own double products,
// divisions and sums, never fused (the project compiles with -ffp-contract=off and no fused operation is
// used here), and hand the pixels at the ends of a range to the formulas themselves.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/cloud_kernels_hwy.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// foreach_target.h must come first.
#include <cstring>
#include <type_traits>

#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "imaging/cloud_kernels.h"
#include "imaging/exact_formulas.h"
#include "imaging/kernel_batch-inl.h"
#include "imaging/kernel_points-inl.h"
#include "imaging/kernel_projection-inl.h"
#include "imaging/kernel_sampler-inl.h"
#include "imaging/kernel_stores-inl.h"
#include "imaging/kernel_vectors-inl.h"
#include "imaging/kernel_walk-inl.h"
#include "transport/protocol_names.h"

HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

void DepthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
    exact::depthRange(raw, out, begin, end, p);
}

void PointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
    exact::pointRange(raw, out, begin, end, p);
}

void ColorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& p) {
    exact::colorPointRange(raw, color, out, begin, end, p);
}

#else

// Where a range's depths come from, chosen once per range: chosen at every step, the branches and the
// parameters read again for them (the stores may alias them) cost the points up to a seventh of their time
// on a Zen 5 core.
enum class DepthSource {
    kHeld,       // the held map (KernelParams::heldDepths)
    kTable,      // the depth table, by the target's gather
    kRegisters,  // the depth table, read lane by lane into vectors built in registers (x86)
    kProducts,   // products with the scale's reciprocal, from the table next to a rounding midpoint
};
template <DepthSource S>
using Source = std::integral_constant<DepthSource, S>;

// Whether x86 reads the table lane by lane: always with SSE4, and with AVX2 and AVX-512 where gathers are
// slow. SSE4 has no gather instruction, and Highway's gather there stores the lanes and reads them back
// whole, which the processor cannot forward: on a Zen 5 core this took a sixth off depth maps and coloured
// points with SSE4, a quarter off points; with AVX2 where gathers are slow, a quarter off points and a tenth
// off coloured points.
constexpr bool kTableInRegisters = QUORIX_X86_VECTOR_TARGET;

// Whether the points' depths are products rather than read from the table: with AVX-512 where gathers are
// fast, faster on the Intel cores measured (a twentieth for the points, a tenth for the coloured points at
// 2448x2048); slower with AVX2 and a fifth slower with SSE4 there. Where gathers are slow the table read in
// registers is faster: on a Zen 5 core the points took a seventh less time.
constexpr bool kPointDepthsByProducts = HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL;

// Whether the samples' depths may be taken as products with the scale's reciprocal (tested as the points'
// products are, and read from the table next to a rounding midpoint).
HWY_INLINE bool reciprocalServes(const KernelParams& p) {
    return p.heldDepths == nullptr && p.depthReciprocal != 0;
}

// Runs loop(Source<S>()) with the depth source S of the range.
template <class Loop>
HWY_INLINE void withDepthSource(const KernelParams& p, const Loop& loop) {
    if (p.heldDepths != nullptr) return loop(Source<DepthSource::kHeld>());
    if constexpr (kPointDepthsByProducts) {
        if (reciprocalServes(p) && !p.slowGathers) return loop(Source<DepthSource::kProducts>());
    }
    if constexpr (kTableInRegisters) {
        if (HWY_TARGET == HWY_SSE4 || p.slowGathers) return loop(Source<DepthSource::kRegisters>());
    }
    loop(Source<DepthSource::kTable>());
}

// The samples of pixels [i, i + lanes).
HWY_INLINE IntVec samplesAt(const unsigned char* raw, std::size_t i) {
    const hn::Rebind<std::uint16_t, IntTag> d16;
    return hn::PromoteTo(IntTag(), hn::LoadU(d16, reinterpret_cast<const std::uint16_t*>(raw + 2 * i)));
}

// The samples' offsets of pixels [i, i + lanes), which the depths are divided from.
HWY_INLINE IntVec depthOffsetsAt(const unsigned char* raw, std::size_t i) {
    return hn::Sub(samplesAt(raw, i), hn::Set(IntTag(), protocol::kDepthOffset));
}

// The depths of pixels [i, i + lanes) from source S (not kProducts), with their halves as doubles. x86
// widens the halves of the table's depths before joining them: no shuffle takes them apart again.
template <DepthSource S>
HWY_INLINE WideDepths depthsAt(const unsigned char* raw, std::size_t i, const KernelParams& p) {
    if constexpr (S == DepthSource::kHeld) return wideDepthsAt(&p.heldDepths[i].d);
#if QUORIX_X86_VECTOR_TARGET
    if constexpr (S == DepthSource::kRegisters) {
        auto depth = [&](std::size_t n) {
            std::uint16_t sample;
            std::memcpy(&sample, raw + 2 * (i + n), sizeof sample);
            return p.depthOf[sample];
        };
        auto quad = [&](std::size_t n) {
            return _mm_setr_ps(depth(n), depth(n + 1), depth(n + 2), depth(n + 3));
        };
#if HWY_TARGET == HWY_SSE4
        return widen(FloatVec{quad(0)});
#elif HWY_TARGET == HWY_AVX2
        const __m128 low = quad(0), high = quad(4);
        return WideDepths{FloatVec{_mm256_set_m128(high, low)}, DoubleVec{_mm256_cvtps_pd(low)},
                          DoubleVec{_mm256_cvtps_pd(high)}};
#else
        const __m256 low = _mm256_set_m128(quad(4), quad(0)), high = _mm256_set_m128(quad(12), quad(8));
        return WideDepths{FloatVec{_mm512_insertf32x8(_mm512_castps256_ps512(low), high, 1)},
                          DoubleVec{_mm512_cvtps_pd(low)}, DoubleVec{_mm512_cvtps_pd(high)}};
#endif
    }
#endif
    return widen(hn::GatherIndex(FloatTag(), p.depthOf, samplesAt(raw, i)));
}

// Whether the depth maps' depths are products: where the target's gathers are instructions and the
// processor's are slow (KernelParams::slowGathers). On a Zen 5 core depth maps took half the time with
// AVX-512, two fifths less with AVX2. Elsewhere the table is faster than the products and their test.
HWY_INLINE bool mapDepthsByProducts(const KernelParams& p) {
    return !kGatherAhead && p.slowGathers && reciprocalServes(p);
}

// Whether the depth maps' depths are quotients by the scale in floats (KernelParams::depthDivisor): on x86
// where the table would be read lane by lane or by slow gathers. On a Zen 5 core the depth maps took 30 %
// less time with SSE4 and AVX-512, 55 % less with AVX2. The points, whose depths go on into double products,
// took up to a third more with them, and keep their sources.
HWY_INLINE bool mapDepthsByQuotients(const KernelParams& p) {
    return QUORIX_X86_VECTOR_TARGET && p.depthDivisor != 0 && (HWY_TARGET == HWY_SSE4 || p.slowGathers);
}

// The depths of pixels [i, i + lanes) as the samples' offsets divided by the scale in floats.
HWY_INLINE FloatVec depthQuotients(const unsigned char* raw, std::size_t i, const KernelParams& p) {
    const IntVec offsets = depthOffsetsAt(raw, i);
    return hn::Div(hn::ConvertTo(FloatTag(), offsets), hn::Set(FloatTag(), p.depthDivisor));
}

// The depths of pixels [i, i + lanes) as products with the scale's reciprocal, as doubles in halves.
struct DepthProducts {
    DoubleVec low, high;
};
HWY_INLINE DepthProducts depthProducts(const unsigned char* raw, std::size_t i, DoubleVec depthReciprocal) {
    const IntVec offsets = depthOffsetsAt(raw, i);
    return DepthProducts{hn::Mul(lowDouble(offsets), depthReciprocal),
                         hn::Mul(highDouble(offsets), depthReciprocal)};
}
// Whether a lane's product may round otherwise than the division.
HWY_INLINE bool doubtful(const DepthProducts& d) { return anyNearFloatMidpoint(d.low, d.high); }

// The points of pixels [i, i + lanes) with depths from source S, and the halves of their x, y and z as
// doubles into wide (pointsAt). Depths taken as products are kept when they round as the divisions do in
// every lane, and read from the table otherwise.
template <DepthSource S>
HWY_INLINE Points pointsAt(const unsigned char* raw, std::size_t i, const LaneCoordinates& at,
                           const PointConstants& k, const KernelParams& p, DoubleVec depthReciprocal,
                           DoubleVec (&wide)[3][2]) {
    if constexpr (S == DepthSource::kProducts) {
        if (at.colFactor != nullptr) {
            const DepthProducts d = depthProducts(raw, i, depthReciprocal);
            const FloatVec z = joinFloats(d.low, d.high, wide[2]);
            Points pt{z, z, z};
            if (k.productsServe(z) &&
                pointsByProducts(WideDepths{z, wide[2][0], wide[2][1]}, doubtful(d), at, pt, wide))
                return pt;
        }
        return pointsAt(depthsAt<DepthSource::kTable>(raw, i, p), at, k, wide);
    } else {
        return pointsAt(depthsAt<S>(raw, i, p), at, k, wide);
    }
}

void DepthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
    // Quotients in floats, table lookups (faster than the double divisions at every target measured), or
    // products.
    const bool products = mapDepthsByProducts(p);
    const DoubleVec depthReciprocal = hn::Set(DoubleTag(), p.depthReciprocal);
    const FloatTag df;
    const std::size_t lanes = hn::Lanes(df);
    float* dst = &out->d;
    const std::size_t first = alignedStart(dst, begin, end);
    const bool stream = streamOutput(dst + first, sizeof(float) * (end - first));
    for (std::size_t i = begin; i < first; ++i) dst[i] = exact::depth(raw, i, p.scale);
    std::size_t i = first;
    auto steps = [&](const auto& depths) {
        for (; end - i >= lanes; i += lanes) {
            const FloatVec z = depths(i);
            if (stream) {
                hn::Stream(z, df, dst + i);
            } else {
                hn::StoreU(z, df, dst + i);
            }
        }
    };
    if (mapDepthsByQuotients(p)) {
        steps([&](std::size_t at) { return depthQuotients(raw, at, p); });
    } else {
        withDepthSource(p, [&](auto source) {
            steps([&](std::size_t at) {
                if (products) {
                    const DepthProducts d = depthProducts(raw, at, depthReciprocal);
                    if (HWY_LIKELY(!doubtful(d))) return joinFloats(d.low, d.high);
                }
                return depthsAt<decltype(source)::value>(raw, at, p).z;
            });
        });
    }
    for (; i < end; ++i) dst[i] = exact::depth(raw, i, p.scale);
    if (stream) hwy::FlushStream();
}

void PointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
    const PointConstants k(p);
    const DoubleVec depthReciprocal = hn::Set(DoubleTag(), p.depthReciprocal);
    const bool stream = sizeof(api::ElementPointXYZ) * (end - begin) >= kStreamingBytes;
    const PointLayout layout;
    auto single = [&](std::size_t i, std::size_t row, std::size_t col) {
        float x, y, z;
        exact::point(raw, i, row, col, p, x, y, z);
        out[i] = {x, y, z};
    };
    withDepthSource(p, [&](auto source) {
        auto steps = [&](std::size_t i, const LaneCoordinates& at) {
            DoubleVec wide[3][2];
            const Points pt = pointsAt<decltype(source)::value>(raw, i, at, k, p, depthReciprocal, wide);
            layout.store(pt, out + i, at.stream);
        };
        walkSteps(begin, end, p, steps, single, stream ? streamPhase(out, begin) : RowPhase{});
    });
    if (stream) hwy::FlushStream();
}

void ColorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& p) {
    const PointConstants k(p);
    const DoubleVec depthReciprocal = hn::Set(DoubleTag(), p.depthReciprocal);
    const Projection pose(p.rotation, p.translation, p.fx2, p.fy2, p.cx2, p.cy2);
    const ImageGeometry geometry = imageGeometry(color, p.slowGathers);
    auto single = [&](std::size_t i, std::size_t row, std::size_t col) {
        exact::colorPoint(raw, color, out, i, row, col, p);
    };
    const bool stream = sizeof(api::ElementPointXYZBGR) * (end - begin) >= kStreamingBytes;
    ProjectedBatch batch(geometry);
    auto sample = [&](std::size_t i, bool streamed, const Points& pt, const Landing& spot) {
        storeColorPoints(bilinear(spot, color, geometry), pt, out + i, streamed);
    };
    const bool sameView = p.sameView;
    withDepthSource(p, [&](auto source) {
        auto steps = [&](std::size_t i, const LaneCoordinates& at) {
            DoubleVec wide[3][2];
            const Points pt = pointsAt<decltype(source)::value>(raw, i, at, k, p, depthReciprocal, wide);
            if (sameView) return storeColorPoints(pixelColors(color.data() + i), pt, out + i);
            FloatVec u, v;
            project(wide, pose, u, v);
            batch.add(i, at.stream, pt, u, v, sample);
        };
        walkSteps(begin, end, p, steps, single, stream ? streamPhase(out, begin) : RowPhase{});
    });
    batch.flush(sample);
    if (stream) hwy::FlushStream();
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace norvik {
namespace imaging {

HWY_EXPORT(DepthRange);
HWY_EXPORT(PointRange);
HWY_EXPORT(ColorPointRange);

void depthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& params) {
    HWY_DYNAMIC_DISPATCH(DepthRange)(raw, out, begin, end, params);
}

void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& params) {
    HWY_DYNAMIC_DISPATCH(PointRange)(raw, out, begin, end, params);
}

void colorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& params) {
    HWY_DYNAMIC_DISPATCH(ColorPointRange)(raw, color, out, begin, end, params);
}

}  // namespace imaging
}  // namespace norvik
#endif  // HWY_ONCE
