// A step's points from its depths: x and y by the formulas' double products and divisions, or by the
// depths' products with the columns' and rows' factors where those round the same.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_POINTS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_POINTS_INL_H_
#undef QUORIX_IMAGING_KERNEL_POINTS_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_POINTS_INL_H_
#endif

#include "hwy/highway.h"
#include "imaging/kernel_vectors-inl.h"
#include "imaging/kernel_walk-inl.h"

#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

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

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_POINTS_INL_H_
