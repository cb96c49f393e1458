// The loops of texture_mask_kernels.h for every instruction set Highway compiles them for, chosen at run
// time: whole vectors of pixels at once, each value the formula's (exact::maskPoint) to the bit.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/texture_mask_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// foreach_target.h must come first.
#include <type_traits>

#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "imaging/exact_formulas.h"
#include "imaging/kernel_batch-inl.h"
#include "imaging/kernel_points-inl.h"
#include "imaging/kernel_projection-inl.h"
#include "imaging/kernel_sampler-inl.h"
#include "imaging/kernel_stores-inl.h"
#include "imaging/kernel_vectors-inl.h"
#include "imaging/kernel_walk-inl.h"
#include "imaging/texture_mask_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

template <typename Point>
void maskSteps(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask, Point* out,
               std::size_t begin, std::size_t end, const MaskParams& p) {
    exact::maskRange(depth, mask, out, begin, end, p);
}

#else

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

// A point's coordinate in the 2D camera's frame (one row of the pose), rounded to float as the formula
// rounds it, back in doubles.
HWY_INLINE void cameraCoordinate(const Projection& k, int n, const DoubleVec (&x)[2], const DoubleVec (&y)[2],
                                 const DoubleVec (&z)[2], DoubleVec (&out)[2]) {
    const DoubleVec s[2] = {cameraRow(k, n, x[0], y[0], z[0]), cameraRow(k, n, x[1], y[1], z[1])};
#if HWY_TARGET == HWY_SSE4
    // Two-lane halves are rounded and widened each on its own: joining and splitting them cost more than
    // it saves here (about 4 % of the texture mask).
    for (int h = 0; h < 2; ++h) out[h] = hn::PromoteTo(DoubleTag(), toFloat(s[h]));
#else
    const FloatVec rounded = joinFloats(s[0], s[1]);
    out[0] = lowDouble(rounded);
    out[1] = highDouble(rounded);
#endif
}

template <typename Point>
void maskSteps(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask, Point* out,
               std::size_t begin, std::size_t end, const MaskParams& p) {
    const FloatTag df;
    const PointConstants k(p);
    const Projection pose(p.rotation, p.translation, p.fx2, p.fy2, p.cx2, p.cy2);
    const ImageGeometry geometry = imageGeometry(mask, p.slowGathers);
    // Float magnitudes up to the tolerance: DBL_EPSILON is a power of two, a float itself.
    const FloatVec tolerance = hn::Set(df, static_cast<float>(kZeroTolerance));
    constexpr bool kXYZ = std::is_same<Point, api::ElementPointXYZ>::value;
    const bool stream = sizeof(Point) * (end - begin) >= kStreamingBytes;
    const PointLayout layout;
    auto single = [&](std::size_t i, std::size_t row, std::size_t col) {
        exact::maskPoint(depth, mask, out, i, row, col, p);
    };
    ProjectedBatch batch(geometry);
    auto sample = [&](std::size_t i, bool streamed, const Points& pt, const Landing& spot) {
        // Any channel above zero sets a pixel: its gray level is at least 0.114. NaN depths go on, as in the
        // formula (and end black unless their own pixel is set).
        const WordVec black = hn::Zero(WordTag());
        const auto unmeasured = hn::Le(hn::Abs(pt.z), tolerance);
        if constexpr (kXYZ) {
            // Clouds without colour only need to know which samples are set.
            auto set = hn::RebindMask(df, maskSampleSet(spot, mask, geometry));
            if (p.samePixel)
                set = hn::Or(set, hn::RebindMask(df, hn::Ne(pixelColors(mask.data() + i), black)));
            const auto keep = hn::AndNot(unmeasured, set);
            const Points kept{hn::IfThenElseZero(keep, pt.x), hn::IfThenElseZero(keep, pt.y),
                              hn::IfThenElseZero(keep, pt.z)};
            layout.store(kept, out + i, streamed);
        } else {
            WordVec bgr = maskSample(spot, mask, geometry);
            if (p.samePixel) {
                const WordVec own = pixelColors(mask.data() + i);
                bgr = hn::IfThenElse(hn::Ne(own, black), own, bgr);
            }
            // The pixel's own colour when set, else the sample: the point is dropped where that is black.
            const auto drop = hn::Or(unmeasured, hn::RebindMask(df, hn::Eq(bgr, black)));
            const Points kept{hn::IfThenZeroElse(drop, pt.x), hn::IfThenZeroElse(drop, pt.y),
                              hn::IfThenZeroElse(drop, pt.z)};
            storeColorPoints(hn::IfThenZeroElse(hn::RebindMask(WordTag(), unmeasured), bgr), kept, out + i,
                             streamed);
        }
    };
    auto steps = [&](std::size_t i, const LaneCoordinates& at) {
        DoubleVec wide[3][2];
        const Points pt = pointsAt(wideDepthsAt(&depth[i].d), at, k, wide);
        // Where the points land in the mask, with the camera coordinates rounded to float as in the formula;
        // points in the 2D camera's plane land outside.
        const DoubleVec(&x)[2] = wide[0];
        const DoubleVec(&y)[2] = wide[1];
        const DoubleVec(&z)[2] = wide[2];
        DoubleVec xc[2], yc[2], zc[2];
        cameraCoordinate(pose, 2, x, y, z, zc);
        cameraCoordinate(pose, 0, x, y, z, xc);
        cameraCoordinate(pose, 1, x, y, z, yc);
        FloatVec u, v;
        landing(xc, yc, zc, pose, u, v);
        batch.add(i, at.stream, pt, u, v, sample);
    };
    walkSteps(begin, end, p, steps, single, stream ? streamPhase(out, begin) : RowPhase{});
    batch.flush(sample);
    if (stream) hwy::FlushStream();
}

#endif  // HWY_TARGET == HWY_SCALAR

void MaskPointRange(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask,
                    api::ElementPointXYZ* out, std::size_t begin, std::size_t end, const MaskParams& p) {
    maskSteps(depth, mask, out, begin, end, p);
}

void MaskColorPointRange(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask,
                         api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                         const MaskParams& p) {
    maskSteps(depth, mask, out, begin, end, p);
}

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace norvik {
namespace imaging {

HWY_EXPORT(MaskPointRange);
HWY_EXPORT(MaskColorPointRange);

void maskRange(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask,
               api::ElementPointXYZ* out, std::size_t begin, std::size_t end, const MaskParams& params) {
    HWY_DYNAMIC_DISPATCH(MaskPointRange)(depth, mask, out, begin, end, params);
}

void maskRange(const api::ElementDepth* depth, const api::Frame<api::ElementColor>& mask,
               api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end, const MaskParams& params) {
    HWY_DYNAMIC_DISPATCH(MaskColorPointRange)(depth, mask, out, begin, end, params);
}

}  // namespace imaging
}  // namespace norvik
#endif  // HWY_ONCE
