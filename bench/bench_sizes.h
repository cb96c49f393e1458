#pragma once

// Image sizes and inputs shared by the benchmarks.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace bench {

// The two depth-map sizes every kernel is measured at: 1920x1200 and 2448x2048.
inline void sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1200})->Args({2448, 2048})->UseRealTime()->Unit(benchmark::kMillisecond);
}

// Little-endian depth samples of a plausible scene (a tilted plane with holes).
std::string depthPayload(int cols, int rows);
norvik::api::Frame<norvik::api::ElementColor> colorImage(int cols, int rows);
// A calibration with a few degrees of rotation and tens of millimetres of translation.
norvik::api::DeviceIntri realisticIntri(int cols, int rows);

constexpr double kScale = 10.0;

}  // namespace bench
