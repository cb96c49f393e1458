// How a step's points and coloured points are laid out in memory and stored or streamed out.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_STORES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_STORES_INL_H_
#undef QUORIX_IMAGING_KERNEL_STORES_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_STORES_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "imaging/kernel_vectors-inl.h"
#include "imaging/point_element.h"

#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

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

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_STORES_INL_H_
