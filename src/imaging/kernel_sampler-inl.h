// The bilinear sampler of the 2D image for every lane of a step: where each lane reads, the words of its four
// neighbouring pixels, and their channels mixed in floats in the formula's order, so that every colour is
// sampleBilinear's to the byte.
// Included once per target by the kernel files (Highway's foreach_target), hence the toggled guard.

#if defined(QUORIX_IMAGING_KERNEL_SAMPLER_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUORIX_IMAGING_KERNEL_SAMPLER_INL_H_
#undef QUORIX_IMAGING_KERNEL_SAMPLER_INL_H_
#else
#define QUORIX_IMAGING_KERNEL_SAMPLER_INL_H_
#endif

#include <cstddef>
#include <cstdint>

#include "hwy/cache_control.h"
#include "hwy/highway.h"
#include "imaging/kernel_support.h"
#include "imaging/kernel_vectors-inl.h"
#include "quorix/Frame.h"

#if HWY_TARGET != HWY_SCALAR
HWY_BEFORE_NAMESPACE();
namespace norvik {
namespace imaging {
namespace HWY_NAMESPACE {

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

}  // namespace HWY_NAMESPACE
}  // namespace imaging
}  // namespace norvik
HWY_AFTER_NAMESPACE();
#endif  // HWY_TARGET != HWY_SCALAR

#endif  // QUORIX_IMAGING_KERNEL_SAMPLER_INL_H_
