// Where a step's points land in the 2D image: the pose and the 2D camera applied by the formulas' double
// products, sums and divisions, rounded to float where the formulas round.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_PROJECTION_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_PROJECTION_INL_H_
#undef QUORIX_IMAGING_KERNEL_PROJECTION_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_PROJECTION_INL_H_
#endif

#include "hwy/highway.h"
#include "imaging/kernel_vectors-inl.h"
#include "imaging/projection.h"

#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

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

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_PROJECTION_INL_H_
