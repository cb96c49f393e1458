#include <cmath>
#include <random>

#include "bench_sizes.h"

namespace bench {

std::string depthPayload(int cols, int rows) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> noise(-20, 20), hole(0, 15);
    std::string bytes(std::size_t(cols) * rows * 2, '\0');
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            // 600 to 900 mm at 10 units per millimetre, a hole in every sixteenth pixel.
            const int depth = hole(rng) == 0 ? 0 : 6000 + (c * 2000) / cols + (r * 1000) / rows + noise(rng);
            const auto raw = static_cast<std::uint16_t>(32768 + depth);
            const std::size_t i = std::size_t(r) * cols + c;
            bytes[2 * i] = static_cast<char>(raw & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(raw >> 8);
        }
    }
    return bytes;
}

norvik::api::Frame<norvik::api::ElementColor> colorImage(int cols, int rows) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> level(0, 255);
    norvik::api::Frame<norvik::api::ElementColor> image;
    image.resize(std::uint32_t(cols), std::uint32_t(rows));
    for (std::size_t i = 0; i < std::size_t(cols) * rows; ++i)
        image[i] = {std::uint8_t(level(rng)), std::uint8_t(level(rng)), std::uint8_t(level(rng))};
    return image;
}

norvik::api::DeviceIntri realisticIntri(int cols, int rows) {
    norvik::api::DeviceIntri in;
    const double depth[4] = {1.1 * cols, 1.1 * cols, cols / 2.0 + 3.5, rows / 2.0 - 2.25};
    const double color[4] = {1.15 * cols, 1.15 * cols, cols / 2.0 - 4.0, rows / 2.0 + 1.5};
    for (int k = 0; k < 4; ++k) {
        in.intrinsic3DCamera.intrinsic[k] = depth[k];
        in.intrinsic2DCamera.intrinsic[k] = color[k];
    }
    // Three degrees about y, one about x; 45 mm across, 3 mm down, 2 mm forward.
    const double a = 3.0 * M_PI / 180, b = 1.0 * M_PI / 180;
    const double ry[3][3] = {{std::cos(a), 0, std::sin(a)}, {0, 1, 0}, {-std::sin(a), 0, std::cos(a)}};
    const double rx[3][3] = {{1, 0, 0}, {0, std::cos(b), -std::sin(b)}, {0, std::sin(b), std::cos(b)}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k) s += ry[i][k] * rx[k][j];
            in.rotation[i][j] = s;
        }
    in.translation[0] = -45.0;
    in.translation[1] = 3.0;
    in.translation[2] = 2.0;
    return in;
}

}  // namespace bench
