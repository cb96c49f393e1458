#pragma once

// Images as PNG and TIFF, and the readers the offline texture-mask cloud needs.

#include <string>

#include "quorix/Frame.h"
#include "quorixexport/result.h"

namespace quorix {
namespace files {

// 8-bit RGB PNG of a B-G-R image.
FileResult writeColorPng(const std::string& path, const norvik::api::Frame<norvik::api::ElementColor>& image);
// 16-bit gray PNG of depths rounded to whole millimetres (0: no measurement; above 65535 mm: clipped).
FileResult writeDepthPng16(const std::string& path,
                           const norvik::api::Frame<norvik::api::ElementDepth>& depth);
// Single-channel 32-bit float TIFF of depths in millimetres, exactly as captured.
FileResult writeDepthTiff(const std::string& path,
                          const norvik::api::Frame<norvik::api::ElementDepth>& depth);
// Depth colourised from near (blue) to far (red) over the measured range; black where nothing was measured.
FileResult writeDepthPreviewPng(const std::string& path,
                                const norvik::api::Frame<norvik::api::ElementDepth>& depth);

// Any PNG (gray, palette, RGB, with or without alpha) as a B-G-R image.
FileResult readColorPng(const std::string& path, norvik::api::Frame<norvik::api::ElementColor>& image);
// A depth map from a 32-bit float TIFF or a 16-bit gray PNG (millimetres), chosen by the file's signature.
FileResult readDepthMap(const std::string& path, norvik::api::Frame<norvik::api::ElementDepth>& depth);

// Whether the file name ends with the suffix, ignoring case.
bool hasExtension(const std::string& path, const std::string& suffix);

}  // namespace files
}  // namespace quorix
