#pragma once

// What the imaging kernels are measured against: memory-bandwidth bounds and plain double-precision loops.

#include <cstddef>
#include <string>

#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace bench {

// Reads 2 bytes and writes 12 (or 4) per pixel with streaming stores, doing no real work, on `threads`
// threads (0: the runtime's default).
void boundRead2Write12(const std::string& payload, float* out, std::size_t pixels, int threads = 0);
void boundRead2Write4(const std::string& payload, float* out, std::size_t pixels, int threads = 0);

// The formulas as anyone would first write them: one OpenMP loop in doubles.
void plainPointXYZ(const std::string& payload, int cols, int rows, double scale,
                   const norvik::api::DeviceIntri& in, norvik::api::ElementPointXYZ* out);
void plainPointXYZBGR(const std::string& payload, int cols, int rows, double scale,
                      const norvik::api::DeviceIntri& in,
                      const norvik::api::Frame<norvik::api::ElementColor>& color,
                      norvik::api::ElementPointXYZBGR* out);

}  // namespace bench
