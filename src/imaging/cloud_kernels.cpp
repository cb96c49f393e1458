#include "imaging/cloud_kernels.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/projection.h"
#include "transport/protocol_names.h"

// The vector paths are compiled for AVX2 through GCC's target pragma; other compilers (the fuzzing build's
// clang) build the portable paths, which compute the same values.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__clang__)
#include <immintrin.h>
#define QUORIX_X86 1
#endif

namespace norvik {
namespace imaging {

namespace {

// ---- The exact formulas, one pixel at a time ----

inline float exactDepth(const unsigned char* raw, std::size_t i, double scale) {
    const int sample = raw[2 * i] | (raw[2 * i + 1] << 8);
    const auto offset = static_cast<float>(sample - protocol::kDepthOffset);
    return static_cast<float>(static_cast<double>(offset) / scale);
}

inline float exactCoordinate(std::size_t index, double centre, float z, double focal) {
    return static_cast<float>((static_cast<double>(index) - centre) * static_cast<double>(z) / focal);
}

inline void exactPoint(const unsigned char* raw, std::size_t i, std::size_t row, std::size_t col,
                       const KernelParams& p, float& x, float& y, float& z) {
    z = p.depthOf != nullptr ? p.depthOf[raw[2 * i] | (raw[2 * i + 1] << 8)] : exactDepth(raw, i, p.scale);
    x = exactCoordinate(col, p.cx, z, p.fx);
    y = exactCoordinate(row, p.cy, z, p.fy);
}

inline api::ElementColor projectedColor(const api::Frame<api::ElementColor>& color, float x, float y, float z,
                                        const KernelParams& p) {
    const double xd = x, yd = y, zd = z;
    const auto& r = p.rotation;
    const auto& t = p.translation;
    const double zc = r[2][0] * xd + r[2][1] * yd + r[2][2] * zd + t[2];
    if (std::fabs(zc) <= kZeroTolerance) return {0, 0, 0};
    const double xc = r[0][0] * xd + r[0][1] * yd + r[0][2] * zd + t[0];
    const double yc = r[1][0] * xd + r[1][1] * yd + r[1][2] * zd + t[1];
    const auto u = static_cast<float>(xc * p.fx2 / zc + p.cx2);
    const auto v = static_cast<float>(yc * p.fy2 / zc + p.cy2);
    return sampleBilinear(color, u, v);
}

inline void exactColorPoint(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                            api::ElementPointXYZBGR* out, std::size_t i, std::size_t row, std::size_t col,
                            const KernelParams& p) {
    float x, y, z;
    exactPoint(raw, i, row, col, p, x, y, z);
    const api::ElementColor c = p.sameView ? color.data()[i] : projectedColor(color, x, y, z, p);
    out[i] = {c.b, c.g, c.r, x, y, z};
}

// Walks [begin, end) keeping row and column.
template <typename PerPixel>
void scalarRange(std::size_t begin, std::size_t end, std::size_t cols, const PerPixel& perPixel) {
    std::size_t row = begin / cols, col = begin % cols;
    for (std::size_t i = begin; i < end; ++i) {
        perPixel(i, row, col);
        if (++col == cols) {
            col = 0;
            ++row;
        }
    }
}

#ifdef QUORIX_X86

// ---- Vector paths (AVX2, chosen at run time) ----
//
// Depths come from the table of every sample's depth; x and y are the same double products and divisions
// as the formulas, four at a time, so every value is the formula's to the bit.

// Everything up to the matching pop is compiled for AVX2 (lambdas included) and only called after the
// run-time check; FMA stays off so that every product and sum is rounded on its own, as in the formulas.
#pragma GCC push_options
#pragma GCC target("avx2")

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
    auto depth = [&](int n) { return depthOf[raw[2 * n] | (raw[2 * n + 1] << 8)]; };
    z = _mm_setr_ps(depth(0), depth(1), depth(2), depth(3));
    const __m256d zd = _mm256_cvtps_pd(z);
    const __m256d dx = _mm256_sub_pd(_mm256_add_pd(_mm256_set1_pd(static_cast<double>(col)), k.lanes), k.cx);
    const __m256d dy = _mm256_sub_pd(_mm256_set1_pd(static_cast<double>(row)), k.cy);
    x = _mm256_cvtpd_ps(_mm256_div_pd(_mm256_mul_pd(dx, zd), k.fx));
    y = _mm256_cvtpd_ps(_mm256_div_pd(_mm256_mul_pd(dy, zd), k.fy));
}

// Large outputs bypass the caches; small ones are better left in them for the reader.
constexpr std::size_t kStreamingBytes = std::size_t(1) << 22;

template <bool Stream>
inline void store4(float* out, __m128 value) {
    if (Stream) {
        _mm_stream_ps(out, value);
    } else {
        _mm_storeu_ps(out, value);
    }
}

bool aligned16(const void* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & 15) == 0;
}

// Splits [begin, end) into a scalar head, groups of Size pixels starting at multiples of Size (so aligned
// arrays stay aligned) and a scalar tail. group(i, row, col) handles pixels i..i+Size-1 of one row; scalar
// handles one pixel, and the groups that straddle two rows.
template <std::size_t Size, typename Group, typename Scalar>
inline void groupedRange(std::size_t begin, std::size_t end, std::size_t cols, const Group& group,
                         const Scalar& scalar) {
    std::size_t head = (begin + Size - 1) / Size * Size;
    if (head > end) head = end;
    scalarRange(begin, head, cols, scalar);
    std::size_t row = head / cols, col = head % cols;
    std::size_t i = head;
    for (; i + Size <= end; i += Size) {
        if (col + Size <= cols)
            group(i, row, col);
        else
            scalarRange(i, i + Size, cols, scalar);
        col += Size;
        while (col >= cols) {
            col -= cols;
            ++row;
        }
    }
    scalarRange(i, end, cols, scalar);
}

template <bool Stream>
void depthRangeAvx2(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                    const KernelParams& p) {
    float* dst = &out->d;
    std::size_t head = (begin + 7) & ~std::size_t(7);
    if (head > end) head = end;
    for (std::size_t i = begin; i < head; ++i) dst[i] = p.depthOf[raw[2 * i] | (raw[2 * i + 1] << 8)];
    std::size_t i = head;
    for (; i + 8 <= end; i += 8) {
        // Plain loads from the table: faster than a gather here.
        const unsigned char* at = raw + 2 * i;
        auto depth = [&](int n) { return p.depthOf[at[2 * n] | (at[2 * n + 1] << 8)]; };
        const __m256 z =
            _mm256_setr_ps(depth(0), depth(1), depth(2), depth(3), depth(4), depth(5), depth(6), depth(7));
        store4<Stream>(dst + i, _mm256_castps256_ps128(z));
        store4<Stream>(dst + i + 4, _mm256_extractf128_ps(z, 1));
    }
    for (; i < end; ++i) dst[i] = p.depthOf[raw[2 * i] | (raw[2 * i + 1] << 8)];
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
void pointRangeAvx2(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                    const KernelParams& p) {
    const VectorConstants k = vectorConstants(p);
    auto scalar = [&](std::size_t i, std::size_t row, std::size_t col) {
        float x, y, z;
        exactPoint(raw, i, row, col, p, x, y, z);
        out[i] = {x, y, z};
    };
    auto group = [&](std::size_t i, std::size_t row, std::size_t col) {
        __m128 x, y, z;
        points4(raw + 2 * i, row, col, p.depthOf, k, x, y, z);
        __m128 a, b, c;
        interleaveXYZ(x, y, z, a, b, c);
        float* dst = &out[i].x;
        store4<Stream>(dst, a);
        store4<Stream>(dst + 4, b);
        store4<Stream>(dst + 8, c);
    };
    groupedRange<4>(begin, end, static_cast<std::size_t>(p.cols), group, scalar);
    if (Stream) _mm_sfence();
}

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

// What the vector sampler needs to know about the 2D image.
struct ImageGeometry {
    const unsigned char* bytes = nullptr;
    int width = 0;
    float maxX = 0, maxY = 0;  // largest x0 and y0 with a right and a lower neighbour
    bool vector = false;       // small enough for 32-bit offsets and exact float coordinates
};

ImageGeometry imageGeometry(const api::Frame<api::ElementColor>& color) {
    ImageGeometry g;
    const std::uint64_t w = color.width(), h = color.height();
    g.vector =
        !color.empty() && w >= 2 && h >= 2 && w <= (1u << 24) && h <= (1u << 24) && 3 * w * h < (1ull << 31);
    if (!g.vector) return g;
    g.bytes = reinterpret_cast<const unsigned char*>(color.data());
    g.width = static_cast<int>(w);
    g.maxX = static_cast<float>(w - 2);
    g.maxY = static_cast<float>(h - 2);
    return g;
}

// sampleBilinear for eight points at once, as packed b | g << 8 | r << 16; lanes set in skip are black.
// The same float operations in the same order, so the same bytes.
__attribute__((always_inline)) inline __m256i bilinear8(__m256 u, __m256 v, int skip,
                                                        const ImageGeometry& g) {
    const __m256 zero = _mm256_setzero_ps();
    __m256 fu = _mm256_floor_ps(u), fv = _mm256_floor_ps(v);
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
    const __m256i below = _mm256_add_epi32(offset, _mm256_set1_epi32(3 * g.width));
    // Four bytes from each pixel's start; the right-hand pixels are read from one byte early and shifted, so
    // that no read passes the last pixel. Plain loads: faster than gathers here.
    alignas(32) std::int32_t top[8], bottom[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(top), offset);
    _mm256_store_si256(reinterpret_cast<__m256i*>(bottom), below);
    auto word = [&](std::int32_t at) {
        std::uint32_t w;
        std::memcpy(&w, g.bytes + at, sizeof w);
        return static_cast<int>(w);
    };
    auto words = [&](const std::int32_t(&at)[8], int shift) {
        return _mm256_setr_epi32(word(at[0] + shift), word(at[1] + shift), word(at[2] + shift),
                                 word(at[3] + shift), word(at[4] + shift), word(at[5] + shift),
                                 word(at[6] + shift), word(at[7] + shift));
    };
    const __m256i w00 = words(top, 0);
    const __m256i w01 = _mm256_srli_epi32(words(top, 2), 8);
    const __m256i w10 = words(bottom, 0);
    const __m256i w11 = _mm256_srli_epi32(words(bottom, 2), 8);
    const __m256 a = _mm256_sub_ps(u, fu), b = _mm256_sub_ps(v, fv);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 na = _mm256_sub_ps(one, a), nb = _mm256_sub_ps(one, b);
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    __m256i result = _mm256_setzero_si256();
    for (int channel = 0; channel < 3; ++channel) {
        auto level = [&](__m256i word) {
            return _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(word, 8 * channel), byteMask));
        };
        __m256 s = _mm256_mul_ps(_mm256_mul_ps(level(w01), a), nb);
        s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(level(w00), na), nb));
        s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(level(w10), na), b));
        s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_mul_ps(level(w11), a), b));
        const __m256i value = _mm256_and_si256(_mm256_cvttps_epi32(s), byteMask);
        result = _mm256_or_si256(result, _mm256_slli_epi32(value, 8 * channel));
    }
    return _mm256_and_si256(result, keep);
}

inline std::uint32_t packColor(const api::ElementColor& c) {
    return static_cast<std::uint32_t>(c.b) | (static_cast<std::uint32_t>(c.g) << 8) |
           (static_cast<std::uint32_t>(c.r) << 16);
}

// Colours of eight points whose coordinates are in x[0..1], y[0..1], z[0..1] (four each).
__attribute__((always_inline)) inline void colors8(const api::Frame<api::ElementColor>& color,
                                                   const ImageGeometry& g, std::size_t i,
                                                   const __m128 (&x)[2], const __m128 (&y)[2],
                                                   const __m128 (&z)[2], const KernelParams& p,
                                                   std::uint32_t (&bgr)[8]) {
    if (p.sameView) {
        const api::ElementColor* src = color.data() + i;
        for (int lane = 0; lane < 8; ++lane) bgr[lane] = packColor(src[lane]);
        return;
    }
    __m128 u[2], v[2];
    int inPlane[2];
    project4(x[0], y[0], z[0], p, u[0], v[0], inPlane[0]);
    project4(x[1], y[1], z[1], p, u[1], v[1], inPlane[1]);
    const int skip = inPlane[0] | (inPlane[1] << 4);
    if (g.vector) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(bgr),
                            bilinear8(_mm256_set_m128(u[1], u[0]), _mm256_set_m128(v[1], v[0]), skip, g));
        return;
    }
    alignas(16) float us[8], vs[8];
    _mm_store_ps(us, u[0]);
    _mm_store_ps(us + 4, u[1]);
    _mm_store_ps(vs, v[0]);
    _mm_store_ps(vs + 4, v[1]);
    for (int lane = 0; lane < 8; ++lane)
        bgr[lane] = (skip & (1 << lane)) ? 0 : packColor(sampleBilinear(color, us[lane], vs[lane]));
}

template <bool Stream>
void colorPointRangeAvx2(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                         api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                         const KernelParams& p) {
    const VectorConstants k = vectorConstants(p);
    const ImageGeometry geometry = imageGeometry(color);
    const auto cols = static_cast<std::size_t>(p.cols);
    auto scalar = [&](std::size_t i, std::size_t row, std::size_t col) {
        exactColorPoint(raw, color, out, i, row, col, p);
    };
    auto group = [&](std::size_t i, std::size_t row, std::size_t col) {
        __m128 x[2], y[2], z[2];
        points4(raw + 2 * i, row, col, p.depthOf, k, x[0], y[0], z[0]);
        points4(raw + 2 * (i + 4), row, col + 4, p.depthOf, k, x[1], y[1], z[1]);
        alignas(32) std::uint32_t bgr[8];
        colors8(color, geometry, i, x, y, z, p, bgr);
        for (int half = 0; half < 2; ++half) {
            __m128 c = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(bgr + 4 * half)));
            __m128 hx = x[half], hy = y[half], hz = z[half];
            // Rows of (colour, x, y, z): one element each.
            _MM_TRANSPOSE4_PS(c, hx, hy, hz);
            float* dst = reinterpret_cast<float*>(out + i + 4 * half);
            store4<Stream>(dst, c);
            store4<Stream>(dst + 4, hx);
            store4<Stream>(dst + 8, hy);
            store4<Stream>(dst + 12, hz);
        }
    };
    groupedRange<8>(begin, end, cols, group, scalar);
    if (Stream) _mm_sfence();
}

#pragma GCC pop_options

bool useAvx2(const KernelParams& p) {
    static const bool available = __builtin_cpu_supports("avx2");
    return available && p.depthOf != nullptr;
}

bool streamOutput(const void* out, std::size_t bytes) {
    return aligned16(out) && bytes >= kStreamingBytes;
}

#endif  // QUORIX_X86

}  // namespace

KernelParams makeKernelParams(double scale, const double (&depthIntrinsic)[4], std::int32_t cols) {
    KernelParams p;
    p.scale = scale;
    p.fx = depthIntrinsic[0];
    p.fy = depthIntrinsic[1];
    p.cx = depthIntrinsic[2];
    p.cy = depthIntrinsic[3];
    p.cols = cols;
    p.depthOf = depthTable(scale);
    return p;
}

const float* depthTable(double scale) {
    // Kept per calling thread: the scale is a property of the camera, so it is built once per thread and
    // camera, and the loops that read it never share it with a rebuild.
    thread_local std::unique_ptr<float[]> table;
    thread_local std::uint64_t tableScale = 0;
    std::uint64_t bits;
    std::memcpy(&bits, &scale, sizeof bits);
    if (!table || bits != tableScale) {
        if (!table) table.reset(new float[kDepthSamples]);
        for (std::size_t raw = 0; raw < kDepthSamples; ++raw) {
            const unsigned char sample[2] = {static_cast<unsigned char>(raw & 0xFF),
                                             static_cast<unsigned char>(raw >> 8)};
            table[raw] = exactDepth(sample, 0, scale);
        }
        tableScale = bits;
    }
    return table.get();
}

void depthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
#ifdef QUORIX_X86
    if (useAvx2(p)) {
        if (streamOutput(out, (end - begin) * sizeof *out))
            depthRangeAvx2<true>(raw, out, begin, end, p);
        else
            depthRangeAvx2<false>(raw, out, begin, end, p);
        return;
    }
#endif
    for (std::size_t i = begin; i < end; ++i) out[i].d = exactDepth(raw, i, p.scale);
}

void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& p) {
#ifdef QUORIX_X86
    if (useAvx2(p)) {
        if (streamOutput(out, (end - begin) * sizeof *out))
            pointRangeAvx2<true>(raw, out, begin, end, p);
        else
            pointRangeAvx2<false>(raw, out, begin, end, p);
        return;
    }
#endif
    scalarRange(begin, end, static_cast<std::size_t>(p.cols),
                [&](std::size_t i, std::size_t row, std::size_t col) {
                    float x, y, z;
                    exactPoint(raw, i, row, col, p, x, y, z);
                    out[i] = {x, y, z};
                });
}

void colorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& p) {
#ifdef QUORIX_X86
    if (useAvx2(p)) {
        if (streamOutput(out, (end - begin) * sizeof *out))
            colorPointRangeAvx2<true>(raw, color, out, begin, end, p);
        else
            colorPointRangeAvx2<false>(raw, color, out, begin, end, p);
        return;
    }
#endif
    scalarRange(begin, end, static_cast<std::size_t>(p.cols),
                [&](std::size_t i, std::size_t row, std::size_t col) {
                    exactColorPoint(raw, color, out, i, row, col, p);
                });
}

}  // namespace imaging
}  // namespace norvik
