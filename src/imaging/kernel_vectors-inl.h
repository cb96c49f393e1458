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

#include "hwy/highway.h"
#include "imaging/exact_formulas.h"
#include "imaging/kernel_support.h"
#include "imaging/projection.h"

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

// The column of every lane of a step and their row, as doubles (exact: indices are integers below 2^31).
struct LaneCoordinates {
    DoubleVec col[2], row;
};

// Walks pixels [begin, end) of a map with `cols` columns row by row: steps(i, coordinates) for the whole
// vectors of pixels of each row, from its first pixel in the range on, and single(i, row, col) for the pixels
// left at its end.
template <typename Steps, typename Single>
HWY_INLINE void walkSteps(std::size_t begin, std::size_t end, std::size_t cols, const Steps& steps,
                          const Single& single) {
    const DoubleTag dd;
    const std::size_t lanes = hn::Lanes(FloatTag()), half = hn::Lanes(dd);
    const DoubleVec step = hn::Set(dd, static_cast<double>(lanes));
    std::size_t i = begin, row = begin / cols, col = begin % cols;
    while (i < end) {
        const std::size_t rowEnd = end - i < cols - col ? end : i + (cols - col);
        LaneCoordinates at{
            {hn::Iota(dd, static_cast<double>(col)), hn::Iota(dd, static_cast<double>(col + half))},
            hn::Set(dd, static_cast<double>(row))};
        for (; rowEnd - i >= lanes; i += lanes, col += lanes) {
            steps(i, at);
            at.col[0] = hn::Add(at.col[0], step);
            at.col[1] = hn::Add(at.col[1], step);
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
// them (valid in the range of normal floats).
HWY_INLINE hn::Mask<DoubleTag> nearFloatMidpoint(DoubleVec q) {
    const hn::RebindToSigned<DoubleTag> di;
    const auto dropped = hn::And(hn::Sub(hn::BitCast(di, q), hn::Set(di, std::int64_t{0x10000000 - 16})),
                                 hn::Set(di, std::int64_t{0x1FFFFFFF}));
    return hn::RebindMask(DoubleTag(), hn::Gt(hn::Set(di, std::int64_t{32}), dropped));
}

// Two halves of numerators divided by a divisor and rounded to float as the formula's double divisions are:
// by the reciprocal where its products round to the same floats, by the divisions when a lane lies next to a
// rounding midpoint (rare with real calibrations; exact ties, which a divisor of few significant bits makes
// common, are among them) or when the products may leave the normal floats (`byReciprocal` false).
HWY_INLINE FloatVec quotients(DoubleVec low, DoubleVec high, DoubleVec divisor, DoubleVec reciprocal,
                              bool byReciprocal) {
    if (byReciprocal) {
        const DoubleVec qLow = hn::Mul(low, reciprocal), qHigh = hn::Mul(high, reciprocal);
        if (HWY_LIKELY(hn::AllFalse(DoubleTag(), hn::Or(nearFloatMidpoint(qLow), nearFloatMidpoint(qHigh)))))
            return joinFloats(qLow, qHigh);
    }
    return joinFloats(hn::Div(low, divisor), hn::Div(high, divisor));
}

// x, y, z of the lanes' pixels from their depths: the formulas' own double products, and their divisions or
// the reciprocals' products (PointDivisors).
struct PointConstants {
    DoubleVec cx, cy, fx, fy, fxReciprocal, fyReciprocal;
    FloatVec leastDepth, greatestDepth;
    bool checkDepths;
    PointConstants(double fx_, double fy_, double cx_, double cy_, const PointDivisors& d)
        : cx(hn::Set(DoubleTag(), cx_)),
          cy(hn::Set(DoubleTag(), cy_)),
          fx(hn::Set(DoubleTag(), fx_)),
          fy(hn::Set(DoubleTag(), fy_)),
          fxReciprocal(hn::Set(DoubleTag(), d.fxReciprocal)),
          fyReciprocal(hn::Set(DoubleTag(), d.fyReciprocal)),
          leastDepth(hn::Set(FloatTag(), d.leastDepth)),
          greatestDepth(hn::Set(FloatTag(), d.greatestDepth)),
          checkDepths(d.checkDepths) {}

    // Whether the reciprocals serve these depths: all zero or inside the window (NaNs are not).
    HWY_INLINE bool byReciprocal(FloatVec z) const {
        if (!checkDepths) return true;
        const FloatTag df;
        const FloatVec a = hn::Abs(z);
        const auto served = hn::Or(hn::Eq(a, hn::Zero(df)), hn::Ge(a, leastDepth));
        return hn::AllTrue(df, hn::And(served, hn::Le(a, greatestDepth)));
    }
};

struct Points {
    FloatVec x, y, z;
};

HWY_INLINE Points pointsAt(FloatVec z, const LaneCoordinates& at, const PointConstants& k) {
    const DoubleVec zLow = lowDouble(z), zHigh = highDouble(z);
    const DoubleVec y = hn::Sub(at.row, k.cy);
    const bool byReciprocal = k.byReciprocal(z);
    // Built whole: the implicit default constructor of a struct of vectors is not compiled for the target.
    return Points{quotients(hn::Mul(hn::Sub(at.col[0], k.cx), zLow), hn::Mul(hn::Sub(at.col[1], k.cx), zHigh),
                            k.fx, k.fxReciprocal, byReciprocal),
                  quotients(hn::Mul(y, zLow), hn::Mul(y, zHigh), k.fy, k.fyReciprocal, byReciprocal), z};
}

// Steps worked in two passes: a batch of them takes its points and where they land in the 2D image, then the
// batch is sampled. Each pass is a shorter chain of dependent operations, so the processor overlaps more
// steps of it (the coloured points took a sixth less time on the Intel cores measured).
class ProjectedBatch {
public:
    // Keeps one step's points and image coordinates; finish(i, points, u, v) then runs for every kept step
    // when the batch is full (and at flush).
    template <typename Finish>
    HWY_INLINE void add(std::size_t i, const Points& pt, FloatVec u, FloatVec v, const Finish& finish) {
        const FloatTag df;
        float* at = values_[0] + size_ * hn::Lanes(df);
        for (const FloatVec& value : {pt.x, pt.y, pt.z, u, v}) {
            hn::Store(value, df, at);
            at += kValueStride;
        }
        starts_[size_++] = i;
        if (size_ == kSteps) flush(finish);
    }

    template <typename Finish>
    HWY_INLINE void flush(const Finish& finish) {
        const FloatTag df;
        for (std::size_t step = 0; step < size_; ++step) {
            const float* at = values_[0] + step * hn::Lanes(df);
            const Points pt{hn::Load(df, at), hn::Load(df, at + kValueStride),
                            hn::Load(df, at + 2 * kValueStride)};
            finish(starts_[step], pt, hn::Load(df, at + 3 * kValueStride),
                   hn::Load(df, at + 4 * kValueStride));
        }
        size_ = 0;
    }

private:
    static constexpr std::size_t kSteps = 16;
    static constexpr std::size_t kValueStride = kSteps * kMaxLanes;
    HWY_ALIGN float values_[5][kValueStride];
    std::size_t starts_[kSteps];
    std::size_t size_ = 0;
};

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

// Where points land in the 2D image (projectedColor's formulas); -1 for points in the 2D camera's plane,
// which the sampler leaves black.
HWY_INLINE void project(DoubleVec x, DoubleVec y, DoubleVec z, const Projection& k, DoubleVec& u,
                        DoubleVec& v) {
    auto row = [&](int n) {
        DoubleVec s = hn::Mul(k.r[n][0], x);
        s = hn::Add(s, hn::Mul(k.r[n][1], y));
        s = hn::Add(s, hn::Mul(k.r[n][2], z));
        return hn::Add(s, k.t[n]);
    };
    const DoubleTag dd;
    const DoubleVec zc = row(2), xc = row(0), yc = row(1);
    const auto inPlane = hn::Le(hn::Abs(zc), hn::Set(dd, kZeroTolerance));
    const DoubleVec outside = hn::Set(dd, -1.0);
    u = hn::IfThenElse(inPlane, outside, hn::Add(hn::Div(hn::Mul(xc, k.fx2), zc), k.cx2));
    v = hn::IfThenElse(inPlane, outside, hn::Add(hn::Div(hn::Mul(yc, k.fy2), zc), k.cy2));
}

// Large outputs bypass the caches when whole vectors can be streamed out; small ones are better left in them
// for the reader.
HWY_INLINE bool streamOutput(const void* at, std::size_t bytes) {
    return reinterpret_cast<std::uintptr_t>(at) % (hn::Lanes(FloatTag()) * sizeof(float)) == 0 &&
           bytes >= kStreamingBytes;
}

// The lanes' points as x0 y0 z0 x1 ... at out: three whole vectors, streamed out when `stream` and out is on
// a vector boundary, stored otherwise.
HWY_INLINE void storePoints(const Points& pt, api::ElementPointXYZ* out, bool stream) {
    const FloatTag df;
    float* dst = &out->x;
    if (!stream || reinterpret_cast<std::uintptr_t>(dst) % (hn::Lanes(df) * sizeof(float)) != 0)
        return hn::StoreInterleaved3(pt.x, pt.y, pt.z, df, dst);
    HWY_ALIGN float xyz[3 * kMaxLanes];
    hn::StoreInterleaved3(pt.x, pt.y, pt.z, df, xyz);
    const std::size_t lanes = hn::Lanes(df);
    for (std::size_t part = 0; part < 3; ++part)
        hn::Stream(hn::Load(df, xyz + part * lanes), df, dst + part * lanes);
}

// A colour as the vector loops carry it (packColor) in every lane, as a float vector's bits.
HWY_INLINE FloatVec colorBits(WordVec bgr) { return hn::BitCast(FloatTag(), bgr); }

// The lanes' coloured points at out: colour (with the padding byte zero), x, y, z, the elements' sixteen
// bytes.
HWY_INLINE void storeColorPoints(WordVec bgr, const Points& pt, api::ElementPointXYZBGR* out) {
    hn::StoreInterleaved4(colorBits(bgr), pt.x, pt.y, pt.z, FloatTag(), reinterpret_cast<float*>(out));
}

// The colours of the lanes' pixels, read one by one.
HWY_INLINE WordVec pixelColors(const api::ElementColor* pixels) {
    std::uint32_t bgr[kMaxLanes];
    for (std::size_t lane = 0; lane < hn::Lanes(WordTag()); ++lane) bgr[lane] = packColor(pixels[lane]);
    return hn::LoadU(WordTag(), bgr);
}

// Byte At of every 32-bit lane, as a number.
template <int At>
HWY_INLINE FloatVec level(WordVec words) {
    const WordVec byte = hn::And(hn::ShiftRight<8 * At>(words), hn::Set(WordTag(), 0xFFu));
    return hn::ConvertTo(FloatTag(), hn::BitCast(IntTag(), byte));
}

// The little-endian 32-bit words at base + offset of every lane (offsets in bytes, at any alignment).
HWY_INLINE WordVec gatherWords(const unsigned char* base, IntVec offsets) {
    return hn::GatherOffset(WordTag(), reinterpret_cast<const std::uint32_t*>(base), offsets);
}

// One channel of sampleBilinear for every lane: the formula's products and sums, in its order.
template <int Channel>
HWY_INLINE WordVec mixChannel(const WordVec (&w)[4], FloatVec a, FloatVec b, FloatVec na, FloatVec nb) {
    FloatVec s = hn::Mul(hn::Mul(level<1 + Channel>(w[1]), a), nb);
    s = hn::Add(s, hn::Mul(hn::Mul(level<Channel>(w[0]), na), nb));
    s = hn::Add(s, hn::Mul(hn::Mul(level<Channel>(w[2]), na), b));
    s = hn::Add(s, hn::Mul(hn::Mul(level<1 + Channel>(w[3]), a), b));
    // The formula keeps the low byte of the integer.
    return hn::And(hn::BitCast(WordTag(), hn::ConvertTo(IntTag(), s)), hn::Set(WordTag(), 0xFFu));
}

// sampleBilinear at (u, v) of every lane, packed as packColor packs it: the same float operations in the same
// order, so the same bytes. Lanes with a negative or NaN coordinate are black.
HWY_INLINE WordVec bilinear(FloatVec u, FloatVec v, const api::Frame<api::ElementColor>& color,
                            const ImageGeometry& g) {
    const FloatTag df;
    const IntTag di;
    const WordTag du;
    const std::size_t lanes = hn::Lanes(df);
    if (!g.vector) {
        float us[kMaxLanes], vs[kMaxLanes];
        std::uint32_t bgr[kMaxLanes];
        hn::StoreU(u, df, us);
        hn::StoreU(v, df, vs);
        for (std::size_t lane = 0; lane < lanes; ++lane)
            bgr[lane] = packColor(sampleBilinear(color, us[lane], vs[lane]));
        return hn::LoadU(du, bgr);
    }
    const FloatVec zero = hn::Zero(df);
    const FloatVec fu = hn::Floor(u), fv = hn::Floor(v);
    auto valid = hn::And(hn::Ge(u, zero), hn::Ge(v, zero));
    valid = hn::And(valid, hn::Le(fu, hn::Set(df, g.maxX)));
    valid = hn::And(valid, hn::Le(fv, hn::Set(df, g.maxY)));
    const IntVec keep = hn::VecFromMask(di, hn::RebindMask(di, valid));
    // Lanes that are not sampled read pixel (0, 0), which every image of two by two pixels has.
    const IntVec x0 = hn::And(hn::ConvertTo(di, fu), keep);
    const IntVec y0 = hn::And(hn::ConvertTo(di, fv), keep);
    const IntVec pixel = hn::Add(hn::Mul(y0, hn::Set(di, g.width)), x0);
    const IntVec at = hn::Add(pixel, hn::Add(pixel, pixel));
    // Four bytes from each pixel's start; the right-hand pixels are read from one byte early, so that no read
    // passes the last pixel.
    const std::int64_t rowBytes = 3 * static_cast<std::int64_t>(g.width);
    const unsigned char* starts[4] = {g.top, g.top + 2, g.top + rowBytes, g.top + rowBytes + 2};
    WordVec w[4];
    for (int k = 0; k < 4; ++k) w[k] = gatherWords(starts[k], at);
    const FloatVec a = hn::Sub(u, fu), b = hn::Sub(v, fv);
    const FloatVec one = hn::Set(df, 1.0f);
    const FloatVec na = hn::Sub(one, a), nb = hn::Sub(one, b);
    const WordVec blue = mixChannel<0>(w, a, b, na, nb);
    const WordVec green = mixChannel<1>(w, a, b, na, nb);
    const WordVec red = mixChannel<2>(w, a, b, na, nb);
    const WordVec bgr = hn::Or(hn::Or(blue, hn::ShiftLeft<8>(green)), hn::ShiftLeft<16>(red));
    return hn::And(bgr, hn::BitCast(du, keep));
}

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_VECTORS_INL_H_
