#pragma once

#include <cstddef>
#include <string>

#include "quorix/Frame.h"
#include "quorix/QuorixExport.h"

namespace norvik {
namespace files {

// Images larger than this are refused rather than allocated (a 64-megapixel depth map is 256 MB).
constexpr std::size_t kMaxReadPixels = std::size_t{1} << 26;

// A single-channel 32-bit float TIFF as depths in millimetres.
FileResult readDepthTiff(const std::string& path, norvik::api::Frame<norvik::api::ElementDepth>& depth);

}  // namespace files
}  // namespace norvik
