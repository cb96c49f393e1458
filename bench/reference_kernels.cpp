#include "reference_kernels.h"

#include <emmintrin.h>
#include <omp.h>

#include <cmath>
#include <cstdint>

namespace bench {

namespace {

int threadCount(int threads) {
    return threads > 0 ? threads : omp_get_max_threads();
}

// Four little-endian samples as floats (SSE2 only: the bound must not depend on the wider units).
inline __m128 samples4(const char* raw) {
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(raw));
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(s, _mm_setzero_si128()));
}

}  // namespace

void boundRead2Write12(const std::string& payload, float* out, std::size_t pixels, int threads) {
    const auto groups = static_cast<std::int64_t>(pixels / 4);
#pragma omp parallel for schedule(static) num_threads(threadCount(threads))
    for (std::int64_t g = 0; g < groups; ++g) {
        const __m128 v = samples4(payload.data() + 8 * g);
        float* dst = out + 12 * g;
        _mm_stream_ps(dst, v);
        _mm_stream_ps(dst + 4, v);
        _mm_stream_ps(dst + 8, v);
    }
    _mm_sfence();
}

void boundRead2Write4(const std::string& payload, float* out, std::size_t pixels, int threads) {
    const auto groups = static_cast<std::int64_t>(pixels / 4);
#pragma omp parallel for schedule(static) num_threads(threadCount(threads))
    for (std::int64_t g = 0; g < groups; ++g) _mm_stream_ps(out + 4 * g, samples4(payload.data() + 8 * g));
    _mm_sfence();
}

namespace {

inline float plainDepth(const std::string& payload, std::size_t i, double scale) {
    const int raw =
        static_cast<unsigned char>(payload[2 * i]) | (static_cast<unsigned char>(payload[2 * i + 1]) << 8);
    return static_cast<float>(static_cast<float>(raw - 32768) / scale);
}

}  // namespace

void plainPointXYZ(const std::string& payload, int cols, int rows, double scale,
                   const norvik::api::DeviceIntri& in, norvik::api::ElementPointXYZ* out) {
    const double* k = in.intrinsic3DCamera.intrinsic;
    const std::int64_t n = std::int64_t(cols) * rows;
#pragma omp parallel for schedule(static)
    for (std::int64_t i = 0; i < n; ++i) {
        const double col = double(i % cols), row = double(i / cols);
        const float z = plainDepth(payload, std::size_t(i), scale);
        out[i].x = static_cast<float>((col - k[2]) * z / k[0]);
        out[i].y = static_cast<float>((row - k[3]) * z / k[1]);
        out[i].z = z;
    }
}

void plainPointXYZBGR(const std::string& payload, int cols, int rows, double scale,
                      const norvik::api::DeviceIntri& in,
                      const norvik::api::Frame<norvik::api::ElementColor>& color,
                      norvik::api::ElementPointXYZBGR* out) {
    const double* k = in.intrinsic3DCamera.intrinsic;
    const double* k2 = in.intrinsic2DCamera.intrinsic;
    const auto& R = in.rotation;
    const auto& t = in.translation;
    const std::int64_t n = std::int64_t(cols) * rows;
    const int width = int(color.width()), height = int(color.height());
#pragma omp parallel for schedule(static)
    for (std::int64_t i = 0; i < n; ++i) {
        const double col = double(i % cols), row = double(i / cols);
        const float z = plainDepth(payload, std::size_t(i), scale);
        const float x = static_cast<float>((col - k[2]) * z / k[0]);
        const float y = static_cast<float>((row - k[3]) * z / k[1]);
        std::uint8_t bgr[3] = {0, 0, 0};
        const double zc = R[2][0] * x + R[2][1] * y + R[2][2] * z + t[2];
        if (std::fabs(zc) > 2.220446049250313e-16) {
            const double xc = R[0][0] * x + R[0][1] * y + R[0][2] * z + t[0];
            const double yc = R[1][0] * x + R[1][1] * y + R[1][2] * z + t[1];
            const float u = static_cast<float>(xc * k2[0] / zc + k2[2]);
            const float v = static_cast<float>(yc * k2[1] / zc + k2[3]);
            const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
            if (x0 >= 0 && x0 <= width - 2 && y0 >= 0 && y0 <= height - 2) {
                const float a = u - x0, b = v - y0;
                const auto* p = reinterpret_cast<const std::uint8_t*>(color.data());
                for (int ch = 0; ch < 3; ++ch) {
                    const float p00 = p[3 * (y0 * width + x0) + ch], p01 = p[3 * (y0 * width + x0 + 1) + ch];
                    const float p10 = p[3 * ((y0 + 1) * width + x0) + ch],
                                p11 = p[3 * ((y0 + 1) * width + x0 + 1) + ch];
                    bgr[ch] = std::uint8_t(
                        int(p01 * a * (1 - b) + p00 * (1 - a) * (1 - b) + p10 * (1 - a) * b + p11 * a * b));
                }
            }
        }
        out[i] = {bgr[0], bgr[1], bgr[2], x, y, z};
    }
}

}  // namespace bench
