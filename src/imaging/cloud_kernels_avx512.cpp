#include "imaging/vector_kernels.h"

#ifdef QUORIX_VECTOR_KERNELS

// GCC 12's AVX-512 conversions start from a deliberately undefined vector, which its flow analysis reports as
// maybe uninitialised wherever they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "imaging/exact_formulas.h"
#include "imaging/kernel_support.h"

namespace norvik {
namespace imaging {

namespace {

// Everything up to the matching pop is compiled for AVX-512 (lambdas included) and only called after the
// run-time check. Products and sums are never fused (-ffp-contract=off): each is rounded on its own, as in
// the formulas.
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi")

// Sixteen pixels per step, and full 64-byte lines written at once: the groups start where the output is
// aligned to 64 bytes (alignedPhase).
constexpr std::size_t kGroup = 16;
constexpr std::size_t kLine = 64;

template <bool Stream>
inline void store16(float* out, __m512 value) {
    if (Stream) {
        _mm512_stream_ps(out, value);
    } else {
        _mm512_storeu_ps(out, value);
    }
}

// ---- Depths and points ----

// Eight depths from the table of every sample's depth, for the samples starting at raw. Plain loads: faster
// than a gather here.
__attribute__((always_inline)) inline __m256 depths8(const unsigned char* raw, const float* depthOf) {
    auto d = [&](int n) { return depthOf[exact::sample(raw, n)]; };
    return _mm256_setr_ps(d(0), d(1), d(2), d(3), d(4), d(5), d(6), d(7));
}

struct Constants {
    __m512d fx, fy, cx, cy, lanes;
    const float* depthOf;
};

inline Constants constants(const KernelParams& p) {
    return {_mm512_set1_pd(p.fx),
            _mm512_set1_pd(p.fy),
            _mm512_set1_pd(p.cx),
            _mm512_set1_pd(p.cy),
            _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7),
            p.depthOf};
}

inline __m256 lowHalf(__m512 v) { return _mm512_castps512_ps256(v); }
inline __m256 highHalf(__m512 v) { return _mm512_extractf32x8_ps(v, 1); }
inline __m512 join(__m256 low, __m256 high) {
    return _mm512_insertf32x8(_mm512_castps256_ps512(low), high, 1);
}

// Sixteen depths, built in halves: sixteen loads at once run out of registers.
__attribute__((always_inline)) inline __m512 depths16(const unsigned char* raw, const float* depthOf) {
    return join(depths8(raw, depthOf), depths8(raw + 16, depthOf));
}

struct Points16 {
    __m512 x, y, z;
};

// x, y, z of the sixteen pixels starting at raw, in row `row` from column `col`: the formulas' own double
// products and divisions, eight at a time.
__attribute__((always_inline)) inline Points16 points16(const unsigned char* raw, double row, double col,
                                                        const Constants& k) {
    Points16 p;
    p.z = depths16(raw, k.depthOf);
    const __m512d dy = _mm512_sub_pd(_mm512_set1_pd(row), k.cy);
    __m256 x[2], y[2];
    for (int h = 0; h < 2; ++h) {
        const __m512d zd = _mm512_cvtps_pd(h == 0 ? lowHalf(p.z) : highHalf(p.z));
        const __m512d dx = _mm512_sub_pd(_mm512_add_pd(_mm512_set1_pd(col + 8 * h), k.lanes), k.cx);
        x[h] = _mm512_cvtpd_ps(_mm512_div_pd(_mm512_mul_pd(dx, zd), k.fx));
        y[h] = _mm512_cvtpd_ps(_mm512_div_pd(_mm512_mul_pd(dy, zd), k.fy));
    }
    p.x = join(x[0], x[1]);
    p.y = join(y[0], y[1]);
    return p;
}

// Sixteen depths by the formula itself: here the divider keeps up with memory, the table lookups do not.
__attribute__((always_inline)) inline __m512 dividedDepths16(const unsigned char* raw, __m512d scale) {
    const __m512i offsets =
        _mm512_sub_epi32(_mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw))),
                         _mm512_set1_epi32(protocol::kDepthOffset));
    // Offsets are integers of at most 16 bits: exact as floats and as doubles.
    const __m512d low = _mm512_cvtepi32_pd(_mm512_castsi512_si256(offsets));
    const __m512d high = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(offsets, 1));
    return join(_mm512_cvtpd_ps(_mm512_div_pd(low, scale)), _mm512_cvtpd_ps(_mm512_div_pd(high, scale)));
}

template <bool Stream>
void depthLoop(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
               const KernelParams& p, std::size_t phase) {
    const __m512d scale = _mm512_set1_pd(p.scale);
    auto scalar = [&](std::size_t i, std::size_t, std::size_t) { out[i].d = exact::depth(raw, i, p.scale); };
    auto groups = [&](std::size_t first, std::size_t, std::size_t, std::size_t count) {
        for (std::size_t i = first; i < first + kGroup * count; i += kGroup)
            store16<Stream>(&out[i].d, dividedDepths16(raw + 2 * i, scale));
    };
    // The map is one long row here: no coordinates are needed.
    groupedRange<kGroup>(begin, end, end, phase, groups, scalar);
    if (Stream) _mm_sfence();
}

// Where the permutes of interleaveXYZ take each float from.
struct InterleaveIndices {
    int xy[3][16];  // x (0..15) or y (16..31) of a point
    int z[3][16];   // what the first permute placed (0..15) or z (16..31)
};

constexpr InterleaveIndices interleaveIndices() {
    InterleaveIndices t{};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 16; ++j) {
            const int point = (16 * k + j) / 3, component = (16 * k + j) % 3;
            t.xy[k][j] = component == 1 ? 16 + point : point;
            t.z[k][j] = component == 2 ? 16 + point : j;
        }
    }
    return t;
}

constexpr InterleaveIndices kInterleave = interleaveIndices();

// The 48 floats x0 y0 z0 x1 y1 z1 ... of sixteen points, as three vectors.
__attribute__((always_inline)) inline void interleaveXYZ(const Points16& p, __m512 (&out)[3]) {
    for (int k = 0; k < 3; ++k) {
        const __m512i xy = _mm512_loadu_si512(kInterleave.xy[k]);
        const __m512i z = _mm512_loadu_si512(kInterleave.z[k]);
        out[k] = _mm512_permutex2var_ps(_mm512_permutex2var_ps(p.x, xy, p.y), z, p.z);
    }
}

template <bool Stream>
void pointLoop(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
               const KernelParams& p, std::size_t phase) {
    const Constants k = constants(p);
    auto scalar = [&](std::size_t i, std::size_t row, std::size_t col) {
        float x, y, z;
        exact::point(raw, i, row, col, p, x, y, z);
        out[i] = {x, y, z};
    };
    auto groups = [&](std::size_t first, std::size_t row, std::size_t col, std::size_t count) {
        const auto rowD = static_cast<double>(row);
        auto colD = static_cast<double>(col);
        for (std::size_t i = first; i < first + kGroup * count; i += kGroup, colD += kGroup) {
            __m512 v[3];
            interleaveXYZ(points16(raw + 2 * i, rowD, colD, k), v);
            float* dst = &out[i].x;
            store16<Stream>(dst, v[0]);
            store16<Stream>(dst + 16, v[1]);
            store16<Stream>(dst + 32, v[2]);
        }
    };
    groupedRange<kGroup>(begin, end, static_cast<std::size_t>(p.cols), phase, groups, scalar);
    if (Stream) _mm_sfence();
}

// ---- Colours ----

// Where eight points land in the 2D image (u, v), and which of them lie in the camera's plane.
__attribute__((always_inline)) inline void project8(__m256 x, __m256 y, __m256 z, const KernelParams& p,
                                                    __m256& u, __m256& v, __mmask8& inPlane) {
    const auto& r = p.rotation;
    const auto& t = p.translation;
    const __m512d xd = _mm512_cvtps_pd(x), yd = _mm512_cvtps_pd(y), zd = _mm512_cvtps_pd(z);
    auto row = [&](int n) {
        __m512d s = _mm512_mul_pd(_mm512_set1_pd(r[n][0]), xd);
        s = _mm512_add_pd(s, _mm512_mul_pd(_mm512_set1_pd(r[n][1]), yd));
        s = _mm512_add_pd(s, _mm512_mul_pd(_mm512_set1_pd(r[n][2]), zd));
        return _mm512_add_pd(s, _mm512_set1_pd(t[n]));
    };
    const __m512d zc = row(2);
    const __m512d xc = row(0);
    const __m512d yc = row(1);
    u = _mm512_cvtpd_ps(
        _mm512_add_pd(_mm512_div_pd(_mm512_mul_pd(xc, _mm512_set1_pd(p.fx2)), zc), _mm512_set1_pd(p.cx2)));
    v = _mm512_cvtpd_ps(
        _mm512_add_pd(_mm512_div_pd(_mm512_mul_pd(yc, _mm512_set1_pd(p.fy2)), zc), _mm512_set1_pd(p.cy2)));
    inPlane = _mm512_cmp_pd_mask(_mm512_abs_pd(zc), _mm512_set1_pd(kZeroTolerance), _CMP_LE_OQ);
}

// Byte picks for level: index 4k takes byte 8k + at (the bytes of lane k's point start at 8k), for every at
// below 8.
struct BytePicks {
    char index[8][64];
};

constexpr BytePicks bytePicks() {
    BytePicks t{};
    for (int at = 0; at < 8; ++at)
        for (int k = 0; k < 16; ++k) t.index[at][4 * k] = static_cast<char>(8 * k + at);
    return t;
}

constexpr BytePicks kBytePicks = bytePicks();

// The byte that index picks from (low, high) in every lane, as a number: only the lowest byte of every lane
// is kept.
inline __m512 level(__m512i low, __m512i index, __m512i high) {
    return _mm512_cvtepi32_ps(_mm512_maskz_permutex2var_epi8(0x1111111111111111ull, low, index, high));
}

// What sampleBilinear needs of sixteen points: the bytes around each, the fractions, and which are sampled.
struct Sample16 {
    // Window (most groups): 128 bytes of the upper row ([0], [1]) and the 128 bytes below them in the lower
    // row, and where each point's bytes start in them (at).
    // Otherwise eight bytes per point: from the pixel in the upper row, from two bytes before it in the lower
    // row (so that no read passes the last pixel). Points 0-7 in [0], 8-15 in [1].
    __m512i upper[2], lower[2];
    __m512i at;
    __m512 a, b;
    __mmask16 keep;
    bool window;
};

// Byte At of every point's pixel (0-2) or of its right neighbour (3-5), in the upper and the lower row.
struct WindowLevels {
    const Sample16& s;
    template <int At>
    __m512 upper() const {
        return level(s.upper[0], _mm512_add_epi32(s.at, _mm512_set1_epi32(At)), s.upper[1]);
    }
    template <int At>
    __m512 lower() const {
        return level(s.lower[0], _mm512_add_epi32(s.at, _mm512_set1_epi32(At)), s.lower[1]);
    }
};

// The same from the eight bytes read for every point.
struct PairLevels {
    const Sample16& s;
    template <int At>
    __m512 upper() const {
        return level(s.upper[0], _mm512_loadu_si512(kBytePicks.index[At]), s.upper[1]);
    }
    template <int At>
    __m512 lower() const {
        return level(s.lower[0], _mm512_loadu_si512(kBytePicks.index[2 + At]), s.lower[1]);
    }
};

// One channel of sampleBilinear: the formula's products and sums, in its order, and the low byte of the
// integer it keeps.
template <int Channel, typename Levels>
inline __m512i mixChannel(const Levels& levels, __m512 a, __m512 b, __m512 na, __m512 nb) {
    const __m512 p00 = levels.template upper<Channel>(), p01 = levels.template upper<3 + Channel>();
    const __m512 p10 = levels.template lower<Channel>(), p11 = levels.template lower<3 + Channel>();
    __m512 sum = _mm512_mul_ps(_mm512_mul_ps(p01, a), nb);
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_mul_ps(p00, na), nb));
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_mul_ps(p10, na), b));
    sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_mul_ps(p11, a), b));
    return _mm512_and_si512(_mm512_cvttps_epi32(sum), _mm512_set1_epi32(0xFF));
}

// Eight bytes from each of eight offsets of base.
inline __m512i eightBytes(const unsigned char* base, const std::uint32_t* at) {
    auto q = [&](int n) {
        long long v;
        std::memcpy(&v, base + at[n], sizeof v);
        return v;
    };
    return _mm512_setr_epi64(q(0), q(1), q(2), q(3), q(4), q(5), q(6), q(7));
}

// Most groups sample a short stretch of two neighbouring rows, whose bytes two 128-byte windows per row
// hold: four loads instead of thirty-two. The windows start a few pixels before the first sampled point (a
// nearer point can land to its left), and every point's six bytes must lie within them.
constexpr int kWindowLead = 8;
constexpr int kWindowReach = 40;  // 3 * 40 + 6 <= 128

// The two rows are read about a row ahead of where they are sampled: the processor's own prefetching starts
// too late for these reads, and waiting for the image took up to a fifth of the time.
constexpr std::int64_t kReadAhead = 6144;

inline void readAhead(const ImageGeometry& g, std::int64_t offset) {
    const std::int64_t upper = offset + kReadAhead, lower = upper + 3 * std::int64_t{g.width};
    if (lower < g.bytes) {
        _mm_prefetch(reinterpret_cast<const char*>(g.top + upper), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(g.top + lower), _MM_HINT_T0);
    }
}

// Takes the window path for the points at pixel (their row times the width plus their column), if it can.
__attribute__((always_inline)) inline bool loadWindow(Sample16& s, __m512i pixel, const ImageGeometry& g) {
    const int first = __builtin_ctz(s.keep);
    const int firstPixel = _mm512_cvtsi512_si32(_mm512_permutexvar_epi32(_mm512_set1_epi32(first), pixel));
    const int start = firstPixel > kWindowLead ? firstPixel - kWindowLead : 0;
    const __m512i from = _mm512_sub_epi32(pixel, _mm512_set1_epi32(start));
    const std::int64_t upper = 3 * static_cast<std::int64_t>(start), below = 3 * std::int64_t{g.width};
    readAhead(g, upper);
    if (upper + below + 128 > g.bytes ||
        _mm512_mask_cmple_epu32_mask(s.keep, from, _mm512_set1_epi32(kWindowReach)) != s.keep)
        return false;
    const unsigned char* top = g.top + upper;
    s.upper[0] = _mm512_loadu_si512(top);
    s.upper[1] = _mm512_loadu_si512(top + 64);
    s.lower[0] = _mm512_loadu_si512(top + below);
    s.lower[1] = _mm512_loadu_si512(top + below + 64);
    s.at = _mm512_add_epi32(from, _mm512_add_epi32(from, from));
    return true;
}

// Everything up to the arithmetic of sampleBilinear for the points at (u, v); those in skip stay black.
__attribute__((always_inline)) inline void prepareSample(Sample16& s, __m512 u, __m512 v, __mmask16 skip,
                                                         const ImageGeometry& g) {
    const __m512 zero = _mm512_setzero_ps();
    const __m512 fu = _mm512_roundscale_ps(u, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m512 fv = _mm512_roundscale_ps(v, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    s.keep = _mm512_cmp_ps_mask(u, zero, _CMP_GE_OQ) & _mm512_cmp_ps_mask(v, zero, _CMP_GE_OQ) &
             _mm512_cmp_ps_mask(fu, _mm512_set1_ps(g.maxX), _CMP_LE_OQ) &
             _mm512_cmp_ps_mask(fv, _mm512_set1_ps(g.maxY), _CMP_LE_OQ) & ~skip;
    s.a = _mm512_sub_ps(u, fu);
    s.b = _mm512_sub_ps(v, fv);
    if (s.keep == 0) return;
    // Lanes that are not sampled read pixel (0, 0), which every image of two by two pixels has.
    const __m512i x0 = _mm512_maskz_cvttps_epi32(s.keep, fu), y0 = _mm512_maskz_cvttps_epi32(s.keep, fv);
    const __m512i pixel = _mm512_add_epi32(_mm512_mullo_epi32(y0, _mm512_set1_epi32(g.width)), x0);
    s.window = loadWindow(s, pixel, g);
    if (s.window) return;
    alignas(64) std::uint32_t at[16];
    _mm512_store_si512(at, _mm512_add_epi32(pixel, _mm512_add_epi32(pixel, pixel)));
    const unsigned char* lower = g.top + 3 * static_cast<std::size_t>(g.width) - 2;
    s.upper[0] = eightBytes(g.top, at);
    s.upper[1] = eightBytes(g.top, at + 8);
    s.lower[0] = eightBytes(lower, at);
    s.lower[1] = eightBytes(lower, at + 8);
}

// The arithmetic of sampleBilinear for sixteen prepared points, packed as b | g << 8 | r << 16. The same
// float operations in the same order, so the same bytes.
__attribute__((always_inline)) inline __m512i mixSample(const Sample16& s) {
    if (s.keep == 0) return _mm512_setzero_si512();
    const __m512 one = _mm512_set1_ps(1.0f);
    const __m512 na = _mm512_sub_ps(one, s.a), nb = _mm512_sub_ps(one, s.b);
    auto mix = [&](const auto& levels) {
        const __m512i blue = mixChannel<0>(levels, s.a, s.b, na, nb);
        const __m512i green = mixChannel<1>(levels, s.a, s.b, na, nb);
        const __m512i red = mixChannel<2>(levels, s.a, s.b, na, nb);
        const __m512i bgr =
            _mm512_or_si512(_mm512_or_si512(blue, _mm512_slli_epi32(green, 8)), _mm512_slli_epi32(red, 16));
        return _mm512_maskz_mov_epi32(s.keep, bgr);
    };
    return s.window ? mix(WindowLevels{s}) : mix(PairLevels{s});
}

// Byte picks that widen sixteen 3-byte colours to 4-byte lanes (the fourth byte is zeroed by the mask).
struct ColorWidening {
    char index[64];
};

constexpr ColorWidening colorWidening() {
    ColorWidening t{};
    for (int k = 0; k < 16; ++k)
        for (int c = 0; c < 3; ++c) t.index[4 * k + c] = static_cast<char>(3 * k + c);
    return t;
}

constexpr ColorWidening kColorWidening = colorWidening();

// Sixteen points and where they land in the 2D image.
struct Projected {
    Points16 points;
    __m512 u, v;
    __mmask16 inPlane;  // in the 2D camera's plane: black
};

__attribute__((always_inline)) inline void project16(Projected& s, const KernelParams& p) {
    const Points16& q = s.points;
    __m256 u[2], v[2];
    __mmask8 inPlane[2];
    project8(lowHalf(q.x), lowHalf(q.y), lowHalf(q.z), p, u[0], v[0], inPlane[0]);
    project8(highHalf(q.x), highHalf(q.y), highHalf(q.z), p, u[1], v[1], inPlane[1]);
    s.u = join(u[0], u[1]);
    s.v = join(v[0], v[1]);
    s.inPlane = static_cast<__mmask16>(inPlane[0] | (inPlane[1] << 8));
}

// Colours of sixteen projected points of an image too large for the vector sampler, packed as mixSample
// packs them.
__attribute__((always_inline)) inline __m512i scalarColors16(const api::Frame<api::ElementColor>& color,
                                                             const Projected& s) {
    alignas(64) float us[16], vs[16];
    alignas(64) std::uint32_t bgr[16];
    _mm512_store_ps(us, s.u);
    _mm512_store_ps(vs, s.v);
    for (int lane = 0; lane < 16; ++lane)
        bgr[lane] = (s.inPlane & (1u << lane)) ? 0 : packColor(sampleBilinear(color, us[lane], vs[lane]));
    return _mm512_load_si512(bgr);
}

// The colours of sixteen pixels of a 2D image of the depth map's view.
__attribute__((always_inline)) inline __m512i ownColors16(const api::Frame<api::ElementColor>& color,
                                                          std::size_t i) {
    // 48 bytes, read without passing them.
    const __m512i bytes = _mm512_maskz_loadu_epi8((1ull << 48) - 1, color.data() + i);
    return _mm512_maskz_permutexvar_epi8(0x7777777777777777ull, _mm512_loadu_si512(kColorWidening.index),
                                         bytes);
}

// Where the permutes of storeColorPoints take each float from.
struct ElementIndices {
    int pairs[2][16];     // (a, b) of points 0-7, then of points 8-15: a of point e is e, b is 16 + e
    int elements[4][16];  // points 4m..4m+3: (a, b) from the first pairs, (c, d) from the second (16 + ...)
};

constexpr ElementIndices elementIndices() {
    ElementIndices t{};
    for (int half = 0; half < 2; ++half) {
        for (int e = 0; e < 8; ++e) {
            t.pairs[half][2 * e] = 8 * half + e;
            t.pairs[half][2 * e + 1] = 16 + 8 * half + e;
        }
    }
    for (int m = 0; m < 4; ++m) {
        for (int n = 0; n < 4; ++n) {
            const int e = 4 * (m % 2) + n;  // the point within its half
            t.elements[m][4 * n] = 2 * e;
            t.elements[m][4 * n + 1] = 2 * e + 1;
            t.elements[m][4 * n + 2] = 16 + 2 * e;
            t.elements[m][4 * n + 3] = 16 + 2 * e + 1;
        }
    }
    return t;
}

constexpr ElementIndices kElementIndices = elementIndices();

// Sixteen elements (colour, x, y, z) from the four vectors of their members.
__attribute__((always_inline)) inline void storeColorPoints(float* dst, __m512 c, __m512 x, __m512 y,
                                                            __m512 z) {
    __m512 cx[2], yz[2];
    for (int half = 0; half < 2; ++half) {
        const __m512i pairs = _mm512_loadu_si512(kElementIndices.pairs[half]);
        cx[half] = _mm512_permutex2var_ps(c, pairs, x);
        yz[half] = _mm512_permutex2var_ps(y, pairs, z);
    }
    for (int m = 0; m < 4; ++m) {
        const __m512i elements = _mm512_loadu_si512(kElementIndices.elements[m]);
        store16<false>(dst + 16 * m, _mm512_permutex2var_ps(cx[m / 2], elements, yz[m / 2]));
    }
}

void colorPointLoop(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                    api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end, const KernelParams& p) {
    const Constants k = constants(p);
    const ImageGeometry geometry = imageGeometry(color);
    auto scalar = [&](std::size_t i, std::size_t row, std::size_t col) {
        exact::colorPoint(raw, color, out, i, row, col, p);
    };
    auto groups = [&](std::size_t first, std::size_t row, std::size_t col, std::size_t count) {
        const auto rowD = static_cast<double>(row);
        if (p.sameView) {
            auto colD = static_cast<double>(col);
            for (std::size_t i = first; i < first + kGroup * count; i += kGroup, colD += kGroup) {
                const Points16 q = points16(raw + 2 * i, rowD, colD, k);
                storeColorPoints(reinterpret_cast<float*>(out + i),
                                 _mm512_castsi512_ps(ownColors16(color, i)), q.x, q.y, q.z);
            }
            return;
        }
        // Passes over a few groups at a time (points, projections, sampler reads, colours): each group is
        // one long chain of dependent steps, two divisions and a read deep, and short loops let the processor
        // work on several groups at once.
        constexpr std::size_t kStaged = 8;
        Projected projected[kStaged];
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = count - done < kStaged ? count - done : kStaged;
            const std::size_t start = first + kGroup * done;
            for (std::size_t g = 0; g < n; ++g)
                projected[g].points = points16(raw + 2 * (start + kGroup * g), rowD,
                                               static_cast<double>(col + kGroup * (done + g)), k);
            for (std::size_t g = 0; g < n; ++g) project16(projected[g], p);
            // The samplers' reads wait on a chain of conversions and comparisons: all of them are under way
            // before the first mix (a sixth faster than preparing and mixing each group in turn).
            Sample16 samples[kStaged];
            if (geometry.vector)
                for (std::size_t g = 0; g < n; ++g)
                    prepareSample(samples[g], projected[g].u, projected[g].v, projected[g].inPlane, geometry);
            for (std::size_t g = 0; g < n; ++g) {
                const Projected& s = projected[g];
                __m512i bgr;
                if (geometry.vector) {
                    bgr = mixSample(samples[g]);
                } else {
                    bgr = scalarColors16(color, s);
                }
                storeColorPoints(reinterpret_cast<float*>(out + start + kGroup * g), _mm512_castsi512_ps(bgr),
                                 s.points.x, s.points.y, s.points.z);
            }
            done += n;
        }
    };
    // Plain stores, as kStreamingBytes explains, so the groups need no alignment: they start with the rows,
    // and rows whose width is a multiple of sixteen leave no pixel to the portable formulas.
    groupedRange<kGroup>(begin, end, static_cast<std::size_t>(p.cols), 0, groups, scalar);
}

#pragma GCC pop_options

// Runs loop<true> (streaming stores) when the output is large and its groups can start on 64-byte lines,
// loop<false> otherwise.
template <typename Out, typename Loop>
void withStores(const Out* out, std::size_t begin, std::size_t end, const Loop& loop) {
    const std::size_t phase = alignedPhase<kGroup, kLine>(out);
    if (phase < kGroup && (end - begin) * sizeof(Out) >= kStreamingBytes)
        loop(std::true_type{}, phase);
    else
        loop(std::false_type{}, phase < kGroup ? phase : 0);
}

bool usable(const KernelParams& p) {
    static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
                                  __builtin_cpu_supports("avx512vbmi");
    return available && p.depthOf != nullptr;
}

void runDepths(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
               const KernelParams& p) {
    withStores(out, begin, end, [&](auto stream, std::size_t phase) {
        depthLoop<decltype(stream)::value>(raw, out, begin, end, p, phase);
    });
}

void runPoints(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
               const KernelParams& p) {
    withStores(out, begin, end, [&](auto stream, std::size_t phase) {
        pointLoop<decltype(stream)::value>(raw, out, begin, end, p, phase);
    });
}

}  // namespace

const VectorLoops kAvx512Loops = {usable, runDepths, runPoints, colorPointLoop};

}  // namespace imaging
}  // namespace norvik

#pragma GCC diagnostic pop

#endif  // QUORIX_VECTOR_KERNELS
