#pragma once

// The binary point records of PLY and PCD files, counted and packed a vector of points at a time with the
// host's widest instruction set: the writers then run close to the speed of copying the bytes.

#include <cstddef>

#include "quorix/Frame.h"

namespace norvik {
namespace files {

// What a point becomes in a binary file: x y z as little-endian floats, then for coloured points PLY's
// red green blue bytes or PCD's packed "rgb" word (0x00RRGGBB, little-endian).
enum class BinaryFormat { Ply, Pcd };

// Bytes past the packed records that packPoints may scribble on: the buffer needs them as well.
constexpr std::size_t kPackSlack = 4096;

// How many of the points are measured (see isMeasured).
std::size_t countMeasured(const api::ElementPointXYZ* points, std::size_t count);
std::size_t countMeasured(const api::ElementPointXYZBGR* points, std::size_t count);

// Packs the points at out and returns the bytes packed: every point when organised (unmeasured ones with
// NaN coordinates), otherwise only the measured ones. Little-endian hosts only.
std::size_t packPoints(const api::ElementPointXYZ* points, std::size_t count, bool organized,
                       BinaryFormat format, char* out);
std::size_t packPoints(const api::ElementPointXYZBGR* points, std::size_t count, bool organized,
                       BinaryFormat format, char* out);

}  // namespace files
}  // namespace norvik
