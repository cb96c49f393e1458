#include "imaging/vector_kernels.h"

#ifdef QUORIX_VECTOR_KERNELS

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "imaging/exact_formulas.h"
#include "imaging/kernel_support.h"

namespace norvik {
namespace imaging {
namespace {

// Everything up to the matching pop is compiled for AVX2 (lambdas included) and only called after the
// run-time check. Products and sums are never fused (-ffp-contract=off): each is rounded on its own, as in
// the formulas.
#pragma GCC push_options
#pragma GCC target("avx2")

// ---- Points ----
//
// Depths come from the table of every sample's depth; x and y are the formulas' own double products and
// divisions, four pixels at a time, so every value is the formula's to the bit.

struct VectorConstants {
    __m256d fx, fy, cx, cy, lanes;
};

inline VectorConstants vectorConstants(const KernelParams& p) {
    return {_mm256_set1_pd(p.fx), _mm256_set1_pd(p.fy), _mm256_set1_pd(p.cx), _mm256_set1_pd(p.cy),
            _mm256_set_pd(3, 2, 1, 0)};
}

// x, y, z of the four pixels starting at raw, in row `row` from column `col`.
__attribute__((always_inline)) inline void points4(const unsigned char* raw, std::size_t row, std::size_t col,
                                                   const float* depthOf, const VectorConstants& k, __m128& x,
                                                   __m128& y, __m128& z) {
    // Plain loads from the table: faster than a gather here.
    z = _mm_setr_ps(depthOf[exact::sample(raw, 0)], depthOf[exact::sample(raw, 1)],
                    depthOf[exact::sample(raw, 2)], depthOf[exact::sample(raw, 3)]);
    const __m256d zd = _mm256_cvtps_pd(z);
    const __m256d dx = _mm256_sub_pd(_mm256_add_pd(_mm256_set1_pd(static_cast<double>(col)), k.lanes), k.cx);
    const __m256d dy = _mm256_sub_pd(_mm256_set1_pd(static_cast<double>(row)), k.cy);
    x = _mm256_cvtpd_ps(_mm256_div_pd(_mm256_mul_pd(dx, zd), k.fx));
    y = _mm256_cvtpd_ps(_mm256_div_pd(_mm256_mul_pd(dy, zd), k.fy));
}

bool streamOutput(const void* out, std::size_t bytes) {
    return (reinterpret_cast<std::uintptr_t>(out) & 15) == 0 && bytes >= kStreamingBytes;
}

template <bool Stream>
inline void store4(float* out, __m128 value) {
    if (Stream) {
        _mm_stream_ps(out, value);
    } else {
        _mm_storeu_ps(out, value);
    }
}

template <bool Stream>
void depthLoop(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
               const KernelParams& p) {
    float* dst = &out->d;
    std::size_t head = (begin + 7) & ~std::size_t(7);
    if (head > end) head = end;
    for (std::size_t i = begin; i < head; ++i) dst[i] = p.depthOf[exact::sample(raw, i)];
    std::size_t i = head;
    for (; i + 8 <= end; i += 8) {
        // Plain loads from the table: faster than a gather here.
        const unsigned char* at = raw + 2 * i;
        auto depth = [&](int n) { return p.depthOf[exact::sample(at, n)]; };
        const __m256 z =
            _mm256_setr_ps(depth(0), depth(1), depth(2), depth(3), depth(4), depth(5), depth(6), depth(7));
        store4<Stream>(dst + i, _mm256_castps256_ps128(z));
        store4<Stream>(dst + i + 4, _mm256_extractf128_ps(z, 1));
    }
    for (; i < end; ++i) dst[i] = p.depthOf[exact::sample(raw, i)];
    if (Stream) _mm_sfence();
}

// Interleaves four x, y, z into three vectors of x0 y0 z0 x1 | y1 z1 x2 y2 | z2 x3 y3 z3.
inline void interleaveXYZ(__m128 x, __m128 y, __m128 z, __m128& a, __m128& b, __m128& c) {
    const __m128 xy01 = _mm_unpacklo_ps(x, y);
    const __m128 xy23 = _mm_unpackhi_ps(x, y);
    a = _mm_shuffle_ps(xy01, _mm_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0)), _MM_SHUFFLE(2, 0, 1, 0));
    b = _mm_shuffle_ps(_mm_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1)), xy23, _MM_SHUFFLE(1, 0, 2, 0));
    c = _mm_shuffle_ps(_mm_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2)),
                       _mm_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(2, 0, 2, 0));
}

template <bool Stream>
void pointLoop(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
               const KernelParams& p) {
    const VectorConstants k = vectorConstants(p);
    const auto cols = static_cast<std::size_t>(p.cols);
    auto scalar = [&](std::size_t i, std::size_t row, std::size_t col) {
        float x, y, z;
        exact::point(raw, i, row, col, p, x, y, z);
        out[i] = {x, y, z};
    };
    auto groups = [&](std::size_t first, std::size_t row, std::size_t col, std::size_t count) {
        for (std::size_t i = first; i < first + 4 * count; i += 4, col += 4) {
            __m128 x, y, z;
            points4(raw + 2 * i, row, col, p.depthOf, k, x, y, z);
            __m128 a, b, c;
            interleaveXYZ(x, y, z, a, b, c);
            float* dst = &out[i].x;
            store4<Stream>(dst, a);
            store4<Stream>(dst + 4, b);
            store4<Stream>(dst + 8, c);
        }
    };
    groupedRange<4>(begin, end, cols, 0, groups, scalar);
    if (Stream) _mm_sfence();
}

// ---- Colours ----

// Where a point lands in the 2D image: u and v of four points, and the lanes in the camera's plane.
__attribute__((always_inline)) inline void project4(__m128 x, __m128 y, __m128 z, const KernelParams& p,
                                                    __m128& u, __m128& v, int& inPlane) {
    const auto& r = p.rotation;
    const auto& t = p.translation;
    const __m256d xd = _mm256_cvtps_pd(x), yd = _mm256_cvtps_pd(y), zd = _mm256_cvtps_pd(z);
    auto row = [&](int n) {
        __m256d s = _mm256_mul_pd(_mm256_set1_pd(r[n][0]), xd);
        s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_set1_pd(r[n][1]), yd));
        s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_set1_pd(r[n][2]), zd));
        return _mm256_add_pd(s, _mm256_set1_pd(t[n]));
    };
    const __m256d zc = row(2);
    const __m256d xc = row(0);
    const __m256d yc = row(1);
    u = _mm256_cvtpd_ps(
        _mm256_add_pd(_mm256_div_pd(_mm256_mul_pd(xc, _mm256_set1_pd(p.fx2)), zc), _mm256_set1_pd(p.cx2)));
    v = _mm256_cvtpd_ps(
        _mm256_add_pd(_mm256_div_pd(_mm256_mul_pd(yc, _mm256_set1_pd(p.fy2)), zc), _mm256_set1_pd(p.cy2)));
    const __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), zc);
    inPlane = _mm256_movemask_pd(_mm256_cmp_pd(magnitude, _mm256_set1_pd(kZeroTolerance), _CMP_LE_OQ));
}

// Byte At of every 32-bit lane, as a number.
template <int At>
inline __m256 level(__m256i words) {
    const __m256i pick =
        _mm256_setr_epi8(At, -1, -1, -1, 4 + At, -1, -1, -1, 8 + At, -1, -1, -1, 12 + At, -1, -1, -1, At, -1,
                         -1, -1, 4 + At, -1, -1, -1, 8 + At, -1, -1, -1, 12 + At, -1, -1, -1);
    return _mm256_cvtepi32_ps(_mm256_shuffle_epi8(words, pick));
}

// One channel of sampleBilinear for eight points: the formula's products and sums, in its order.
template <int Channel>
inline __m256i mixChannel(__m256i w00, __m256i w01, __m256i w10, __m256i w11, __m256 a, __m256 b, __m256 na,
                          __m256 nb) {
    __m256 s = _mm256_mul_ps(_mm256_mul_ps(level<1 + Channel>(w01), a), nb);
    s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(level<Channel>(w00), na), nb));
    s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(level<Channel>(w10), na), b));
    s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(level<1 + Channel>(w11), a), b));
    // The formula keeps the low byte of the integer.
    return _mm256_and_si256(_mm256_cvttps_epi32(s), _mm256_set1_epi32(0xFF));
}

// sampleBilinear for eight points at once, as packed b | g << 8 | r << 16; lanes set in skip are black.
// The same float operations in the same order, so the same bytes.
__attribute__((always_inline)) inline __m256i bilinear8(__m256 u, __m256 v, int skip,
                                                        const ImageGeometry& g) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 fu = _mm256_floor_ps(u), fv = _mm256_floor_ps(v);
    __m256 valid = _mm256_and_ps(_mm256_cmp_ps(u, zero, _CMP_GE_OQ), _mm256_cmp_ps(v, zero, _CMP_GE_OQ));
    valid = _mm256_and_ps(valid, _mm256_cmp_ps(fu, _mm256_set1_ps(g.maxX), _CMP_LE_OQ));
    valid = _mm256_and_ps(valid, _mm256_cmp_ps(fv, _mm256_set1_ps(g.maxY), _CMP_LE_OQ));
    const __m256i skipLanes = _mm256_cmpgt_epi32(
        _mm256_and_si256(_mm256_set1_epi32(skip), _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128)),
        _mm256_setzero_si256());
    const __m256i keep = _mm256_andnot_si256(skipLanes, _mm256_castps_si256(valid));
    // Lanes that are not sampled read pixel (0, 0), which every image of two by two pixels has.
    const __m256i x0 = _mm256_and_si256(_mm256_cvttps_epi32(fu), keep);
    const __m256i y0 = _mm256_and_si256(_mm256_cvttps_epi32(fv), keep);
    const __m256i pixel = _mm256_add_epi32(_mm256_mullo_epi32(y0, _mm256_set1_epi32(g.width)), x0);
    const __m256i offset = _mm256_add_epi32(pixel, _mm256_add_epi32(pixel, pixel));
    // The eight offsets, two to a 64-bit register: cheaper than a trip through memory.
    const __m128i low = _mm256_castsi256_si128(offset), high = _mm256_extracti128_si256(offset, 1);
    const auto o01 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(low));
    const auto o23 = static_cast<std::uint64_t>(_mm_extract_epi64(low, 1));
    const auto o45 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(high));
    const auto o67 = static_cast<std::uint64_t>(_mm_extract_epi64(high, 1));
    const std::uint32_t at[8] = {std::uint32_t(o01),       std::uint32_t(o01 >> 32), std::uint32_t(o23),
                                 std::uint32_t(o23 >> 32), std::uint32_t(o45),       std::uint32_t(o45 >> 32),
                                 std::uint32_t(o67),       std::uint32_t(o67 >> 32)};
    // Four bytes from each pixel's start; the right-hand pixels are read from one byte early, so that no
    // read passes the last pixel. Plain loads: faster than gathers here.
    auto words = [&](const unsigned char* base) {
        auto word = [&](int n) {
            std::uint32_t w;
            std::memcpy(&w, base + at[n], sizeof w);
            return static_cast<int>(w);
        };
        return _mm256_setr_epi32(word(0), word(1), word(2), word(3), word(4), word(5), word(6), word(7));
    };
    const __m256i w00 = words(g.top), w01 = words(g.top + 2);
    const __m256i w10 = words(g.top + 3 * g.width), w11 = words(g.top + 3 * g.width + 2);
    const __m256 a = _mm256_sub_ps(u, fu), b = _mm256_sub_ps(v, fv);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 na = _mm256_sub_ps(one, a), nb = _mm256_sub_ps(one, b);
    const __m256i blue = mixChannel<0>(w00, w01, w10, w11, a, b, na, nb);
    const __m256i green = mixChannel<1>(w00, w01, w10, w11, a, b, na, nb);
    const __m256i red = mixChannel<2>(w00, w01, w10, w11, a, b, na, nb);
    const __m256i bgr =
        _mm256_or_si256(_mm256_or_si256(blue, _mm256_slli_epi32(green, 8)), _mm256_slli_epi32(red, 16));
    return _mm256_and_si256(bgr, keep);
}

// Eight points (four in each half) and where they land in the 2D image.
struct Projected {
    __m128 x[2], y[2], z[2];
    __m256 u, v;
    int inPlane;  // lanes in the 2D camera's plane: black
};

__attribute__((always_inline)) inline void project8(Projected& s, const KernelParams& p) {
    __m128 u[2], v[2];
    int inPlane[2];
    project4(s.x[0], s.y[0], s.z[0], p, u[0], v[0], inPlane[0]);
    project4(s.x[1], s.y[1], s.z[1], p, u[1], v[1], inPlane[1]);
    s.u = _mm256_set_m128(u[1], u[0]);
    s.v = _mm256_set_m128(v[1], v[0]);
    s.inPlane = inPlane[0] | (inPlane[1] << 4);
}

// Colours of eight projected points, packed as bilinear8 packs them.
__attribute__((always_inline)) inline __m256i colors8(const api::Frame<api::ElementColor>& color,
                                                      const ImageGeometry& g, const Projected& s) {
    if (g.vector) return bilinear8(s.u, s.v, s.inPlane, g);
    alignas(32) float us[8], vs[8];
    alignas(32) std::uint32_t bgr[8];
    _mm256_store_ps(us, s.u);
    _mm256_store_ps(vs, s.v);
    for (int lane = 0; lane < 8; ++lane)
        bgr[lane] = (s.inPlane & (1 << lane)) ? 0 : packColor(sampleBilinear(color, us[lane], vs[lane]));
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(bgr));
}

// The colours of eight pixels of a 2D image of the depth map's view.
inline __m256i ownColors8(const api::Frame<api::ElementColor>& color, std::size_t i) {
    alignas(32) std::uint32_t bgr[8];
    const api::ElementColor* src = color.data() + i;
    for (int lane = 0; lane < 8; ++lane) bgr[lane] = packColor(src[lane]);
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(bgr));
}

// Eight elements (colour, x, y, z) from their members.
__attribute__((always_inline)) inline void storeColorPoints(api::ElementPointXYZBGR* out, __m256i bgr,
                                                            const Projected& s) {
    __m128 c[2] = {_mm_castsi128_ps(_mm256_castsi256_si128(bgr)),
                   _mm_castsi128_ps(_mm256_extracti128_si256(bgr, 1))};
    for (int half = 0; half < 2; ++half) {
        __m128 x = s.x[half], y = s.y[half], z = s.z[half];
        // Rows of (colour, x, y, z): one element each.
        _MM_TRANSPOSE4_PS(c[half], x, y, z);
        float* dst = reinterpret_cast<float*>(out + 4 * half);
        store4<false>(dst, c[half]);
        store4<false>(dst + 4, x);
        store4<false>(dst + 8, y);
        store4<false>(dst + 12, z);
    }
}

void colorPointLoop(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                    api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end, const KernelParams& p) {
    const VectorConstants k = vectorConstants(p);
    const ImageGeometry geometry = imageGeometry(color);
    const auto cols = static_cast<std::size_t>(p.cols);
    auto scalar = [&](std::size_t i, std::size_t row, std::size_t col) {
        exact::colorPoint(raw, color, out, i, row, col, p);
    };
    auto groups = [&](std::size_t first, std::size_t row, std::size_t col, std::size_t count) {
        // Three passes over a few groups at a time (points, projections, colours): each group is one long
        // chain of dependent steps, two divisions deep, and short loops let the processor work on several
        // groups at once.
        constexpr std::size_t kStaged = 8;
        Projected staged[kStaged];
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = count - done < kStaged ? count - done : kStaged;
            const std::size_t start = first + 8 * done;
            for (std::size_t g = 0; g < n; ++g) {
                Projected& s = staged[g];
                const std::size_t i = start + 8 * g, c = col + 8 * (done + g);
                points4(raw + 2 * i, row, c, p.depthOf, k, s.x[0], s.y[0], s.z[0]);
                points4(raw + 2 * (i + 4), row, c + 4, p.depthOf, k, s.x[1], s.y[1], s.z[1]);
            }
            if (!p.sameView)
                for (std::size_t g = 0; g < n; ++g) project8(staged[g], p);
            for (std::size_t g = 0; g < n; ++g) {
                const std::size_t i = start + 8 * g;
                const __m256i bgr = p.sameView ? ownColors8(color, i) : colors8(color, geometry, staged[g]);
                storeColorPoints(out + i, bgr, staged[g]);
            }
            done += n;
        }
    };
    // Plain stores, as kStreamingBytes explains.
    groupedRange<8>(begin, end, cols, 0, groups, scalar);
}

#pragma GCC pop_options

bool usable(const KernelParams& p) {
    static const bool available = __builtin_cpu_supports("avx2");
    return available && p.depthOf != nullptr;
}

void runDepths(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
               const KernelParams& p) {
    if (streamOutput(out, (end - begin) * sizeof *out))
        depthLoop<true>(raw, out, begin, end, p);
    else
        depthLoop<false>(raw, out, begin, end, p);
}

void runPoints(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
               const KernelParams& p) {
    if (streamOutput(out, (end - begin) * sizeof *out))
        pointLoop<true>(raw, out, begin, end, p);
    else
        pointLoop<false>(raw, out, begin, end, p);
}

}  // namespace

const VectorLoops kAvx2Loops = {usable, runDepths, runPoints, colorPointLoop};

}  // namespace imaging
}  // namespace norvik

#endif  // QUORIX_VECTOR_KERNELS
