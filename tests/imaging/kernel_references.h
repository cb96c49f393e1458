#pragma once

// What the exactness tests of the imaging kernels share: inputs, plain reference implementations of every
// formula (one pixel at a time, as written, with checked access), and a run over every instruction set. No
// network or device pieces: the kernels' tests also run cross-compiled for other processors.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/cloud_kernels.h"
#include "imaging/image_header.h"
#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace imaging_test {

using namespace norvik::api;
using norvik::imaging::ImageHeader;

constexpr double kEps = 2.220446049250313e-16;

inline std::string depthPayload(const std::vector<std::uint16_t>& samples) {
    std::string bytes;
    for (auto s : samples) {
        bytes.push_back(static_cast<char>(s & 0xFF));
        bytes.push_back(static_cast<char>(s >> 8));
    }
    return bytes;
}

inline ImageHeader depthHeader(int rows, int cols, double scale) {
    ImageHeader h;
    h.scale = scale;
    h.rows = rows;
    h.cols = cols;
    h.byteCount = rows * cols * 2;
    return h;
}

template <typename T>
Frame<T> filledFrame(std::uint32_t width, std::uint32_t height, T value) {
    Frame<T> frame;
    frame.resize(width, height);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) frame[i] = value;
    return frame;
}

inline bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ---- Reference formulas ----

inline float refDepth(std::uint16_t raw, double scale) {
    const float diff = static_cast<float>(static_cast<int>(raw) - 32768);
    return static_cast<float>(static_cast<double>(diff) / scale);
}

inline ElementPointXYZ refPoint(std::uint16_t raw, int row, int col, double scale, const double (&in)[4]) {
    ElementPointXYZ p;
    p.z = refDepth(raw, scale);
    p.x = static_cast<float>((static_cast<double>(col) - in[2]) * static_cast<double>(p.z) / in[0]);
    p.y = static_cast<float>((static_cast<double>(row) - in[3]) * static_cast<double>(p.z) / in[1]);
    return p;
}

inline ElementColor refSample(const Frame<ElementColor>& color, float u, float v) {
    const ElementColor black{0, 0, 0};
    if (std::isnan(u) || std::isnan(v) || std::fabs(u) > 1e9f || std::fabs(v) > 1e9f) return black;
    const long long x0 = static_cast<long long>(std::floor(u));
    if (x0 < 0 || x0 > static_cast<long long>(color.width()) - 2) return black;
    const long long y0 = static_cast<long long>(std::floor(v));
    if (y0 < 0 || y0 > static_cast<long long>(color.height()) - 2) return black;
    const auto r0 = static_cast<std::uint32_t>(y0), c0 = static_cast<std::uint32_t>(x0);
    const ElementColor p00 = color.at(r0, c0), p01 = color.at(r0, c0 + 1), p10 = color.at(r0 + 1, c0),
                       p11 = color.at(r0 + 1, c0 + 1);
    const float a = u - static_cast<float>(x0), b = v - static_cast<float>(y0);
    auto channel = [&](std::uint8_t q00, std::uint8_t q01, std::uint8_t q10, std::uint8_t q11) {
        const float s = float(q01) * a * (1 - b) + float(q00) * (1 - a) * (1 - b) + float(q10) * (1 - a) * b +
                        float(q11) * a * b;
        return static_cast<std::uint8_t>(static_cast<int>(s));
    };
    return {channel(p00.b, p01.b, p10.b, p11.b), channel(p00.g, p01.g, p10.g, p11.g),
            channel(p00.r, p01.r, p10.r, p11.r)};
}

inline bool refIdentity(const DeviceIntri& in) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (!(std::fabs(in.rotation[i][j] - (i == j ? 1.0 : 0.0)) <= kEps)) return false;
        }
        if (!(std::fabs(in.translation[i]) <= kEps)) return false;
    }
    return true;
}

inline ElementPointXYZBGR refColorPoint(const Frame<ElementColor>& color, std::uint16_t raw, int row, int col,
                                        int rows, int cols, double scale, const DeviceIntri& in) {
    const ElementPointXYZ p = refPoint(raw, row, col, scale, in.intrinsic3DCamera.intrinsic);
    ElementColor c{0, 0, 0};
    if (refIdentity(in) && color.width() == std::uint32_t(cols) && color.height() == std::uint32_t(rows)) {
        c = color.at(std::uint32_t(row), std::uint32_t(col));
    } else {
        const auto& R = in.rotation;
        const auto& t = in.translation;
        const double x = p.x, y = p.y, z = p.z;
        const double zc = R[2][0] * x + R[2][1] * y + R[2][2] * z + t[2];
        if (!(std::fabs(zc) <= kEps)) {
            const double xc = R[0][0] * x + R[0][1] * y + R[0][2] * z + t[0];
            const double yc = R[1][0] * x + R[1][1] * y + R[1][2] * z + t[1];
            const double* c2 = in.intrinsic2DCamera.intrinsic;
            c = refSample(color, static_cast<float>(xc * c2[0] / zc + c2[2]),
                          static_cast<float>(yc * c2[1] / zc + c2[3]));
        }
    }
    return {c.b, c.g, c.r, p.x, p.y, p.z};
}

// ---- Random inputs ----

// A quarter "no measurement", half at working distances in front of the camera, a quarter anything.
inline std::vector<std::uint16_t> randomSamples(std::mt19937& rng, std::size_t count) {
    std::uniform_int_distribution<int> any(0, 65535), near(32768 + 3000, 32768 + 25000), pick(0, 3);
    std::vector<std::uint16_t> s(count);
    for (auto& v : s) {
        const int kind = pick(rng);
        v = static_cast<std::uint16_t>(kind == 0 ? 32768 : kind == 3 ? any(rng) : near(rng));
    }
    return s;
}

inline Frame<ElementColor> randomImage(std::mt19937& rng, std::uint32_t width, std::uint32_t height) {
    std::uniform_int_distribution<int> level(0, 255);
    Frame<ElementColor> image;
    image.resize(width, height);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i)
        image[i] = {std::uint8_t(level(rng)), std::uint8_t(level(rng)), std::uint8_t(level(rng))};
    return image;
}

// A calibration like a real camera's: a few degrees of rotation and tens of millimetres of translation.
inline DeviceIntri realisticIntri(std::mt19937& rng, int cols, int rows, int colorCols, int colorRows) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    DeviceIntri in;
    in.intrinsic3DCamera.intrinsic[0] = 1200 + 300 * unit(rng);
    in.intrinsic3DCamera.intrinsic[1] = 1200 + 300 * unit(rng);
    in.intrinsic3DCamera.intrinsic[2] = cols / 2.0 + 20 * unit(rng);
    in.intrinsic3DCamera.intrinsic[3] = rows / 2.0 + 20 * unit(rng);
    in.intrinsic2DCamera.intrinsic[0] = 1500 + 300 * unit(rng);
    in.intrinsic2DCamera.intrinsic[1] = 1500 + 300 * unit(rng);
    in.intrinsic2DCamera.intrinsic[2] = colorCols / 2.0 + 20 * unit(rng);
    in.intrinsic2DCamera.intrinsic[3] = colorRows / 2.0 + 20 * unit(rng);
    const double a = 0.05 * unit(rng), b = 0.05 * unit(rng), c = 0.05 * unit(rng);  // radians
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b), cc = std::cos(c),
                 sc = std::sin(c);
    const double R[3][3] = {{cb * cc, -cb * sc, sb},
                            {sa * sb * cc + ca * sc, -sa * sb * sc + ca * cc, -sa * cb},
                            {-ca * sb * cc + sa * sc, ca * sb * sc + sa * cc, ca * cb}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) in.rotation[i][j] = R[i][j];
    in.translation[0] = 50 * unit(rng);
    in.translation[1] = 20 * unit(rng);
    in.translation[2] = 10 * unit(rng);
    return in;
}

inline bool refSet(const ElementColor& c) {
    const float gray = static_cast<float>(0.114 * double(float(c.b)) + 0.587 * double(float(c.g)) +
                                          0.299 * double(float(c.r)));
    return gray > kEps;
}

inline bool refCoincide(const DeviceIntri& in, const Frame<ElementColor>& mask,
                        const Frame<ElementDepth>& depth) {
    if (!refIdentity(in)) return false;
    for (int k = 0; k < 4; ++k)
        if (!(std::fabs(in.intrinsic2DCamera.intrinsic[k] - in.intrinsic3DCamera.intrinsic[k]) <= kEps))
            return false;
    for (int k = 0; k < 5; ++k)
        if (!(std::fabs(in.intrinsic2DCamera.distCoefficients[k] -
                        in.intrinsic3DCamera.distCoefficients[k]) <= kEps))
            return false;
    return mask.width() == depth.width() && mask.height() == depth.height();
}

// The texture-mask cloud as written: the point and colour of (i, j), or nothing when it is skipped.
inline bool refMaskPoint(const Frame<ElementDepth>& depth, const Frame<ElementColor>& mask,
                         const DeviceIntri& in, std::uint32_t i, std::uint32_t j, ElementPointXYZBGR& out) {
    const double* c3 = in.intrinsic3DCamera.intrinsic;
    const double* c2 = in.intrinsic2DCamera.intrinsic;
    const float d = depth.at(i, j).d;
    if (std::fabs(d) <= kEps) return false;
    const float x = static_cast<float>((double(j) - c3[2]) * double(d) / c3[0]);
    const float y = static_cast<float>((double(i) - c3[3]) * double(d) / c3[1]);
    if (refCoincide(in, mask, depth) && refSet(mask.at(i, j))) {
        const ElementColor c = mask.at(i, j);
        out = {c.b, c.g, c.r, x, y, d};
        return true;
    }
    const auto& R = in.rotation;
    const auto& t = in.translation;
    const float xc = static_cast<float>(R[0][0] * x + R[0][1] * y + R[0][2] * d + t[0]);
    const float yc = static_cast<float>(R[1][0] * x + R[1][1] * y + R[1][2] * d + t[1]);
    const float zc = static_cast<float>(R[2][0] * x + R[2][1] * y + R[2][2] * d + t[2]);
    if (std::fabs(zc) <= kEps) return false;
    const float u = static_cast<float>(double(xc) * c2[0] / double(zc) + c2[2]);
    const float v = static_cast<float>(double(yc) * c2[1] / double(zc) + c2[3]);
    const ElementColor s = refSample(mask, u, v);
    if (!refSet(s)) return false;
    out = {s.b, s.g, s.r, x, y, d};
    return true;
}

inline Frame<ElementDepth> randomDepth(std::mt19937& rng, std::uint32_t width, std::uint32_t height) {
    const auto samples = randomSamples(rng, std::size_t(width) * height);
    Frame<ElementDepth> depth;
    depth.resize(width, height);
    for (std::size_t i = 0; i < samples.size(); ++i) depth[i].d = refDepth(samples[i], 10.0);
    return depth;
}

inline void expectPoint(const ElementPointXYZ& got, const ElementPointXYZ& want, const std::string& where) {
    ASSERT_TRUE(sameBits(got.x, want.x) && sameBits(got.y, want.y) && sameBits(got.z, want.z))
        << where << ": got " << got.x << "," << got.y << "," << got.z << " want " << want.x << "," << want.y
        << "," << want.z;
}

inline void expectColorPoint(const ElementPointXYZBGR& got, const ElementPointXYZBGR& want,
                             const std::string& where) {
    expectPoint({got.x, got.y, got.z}, {want.x, want.y, want.z}, where);
    ASSERT_TRUE(got.b == want.b && got.g == want.g && got.r == want.r)
        << where << ": colour " << int(got.b) << "," << int(got.g) << "," << int(got.r) << " want "
        << int(want.b) << "," << int(want.g) << "," << int(want.r);
}

inline DeviceIntri identityIntri(double f, double c) {
    DeviceIntri in;
    for (auto* cam : {&in.intrinsic3DCamera, &in.intrinsic2DCamera}) {
        cam->intrinsic[0] = cam->intrinsic[1] = f;
        cam->intrinsic[2] = cam->intrinsic[3] = c;
    }
    return in;
}

// Runs check once for every instruction set the loops are compiled for and this processor runs, with the
// loops held to it, and with gathers taken as fast and as slow (depths gathered or taken as products), and
// lets them choose again afterwards.
template <typename Check>
void forEachVectorLevel(const Check& check) {
    for (const std::int64_t target : norvik::imaging::kernelTargets()) {
        norvik::imaging::useKernelTarget(target);
        for (const bool slow : {false, true}) {
            norvik::imaging::useSlowGathers(slow);
            SCOPED_TRACE("instruction set " + norvik::imaging::kernelTargetName() +
                         (slow ? ", slow gathers" : ""));
            check();
        }
    }
    norvik::imaging::useSlowGathers(std::nullopt);
    norvik::imaging::useKernelTarget(0);
}

}  // namespace imaging_test
