#pragma once

// The export library (libQuorixExport): the captured frames and clouds as files that common tools open, the
// calibration as JSON, pictures of depth maps and clouds, and the readers of these files. It uses only the
// public records of quorix/QuorixDevice.h and needs no camera.
//
// Every writer writes to a temporary file in the target's folder and renames it over the target only when
// the whole file is written: a failure (a full disk, a missing folder) leaves the old file as it was and no
// partial file behind. Every function reports its outcome as a FileResult; none throws.
//
// Points without a measurement (depth 0, or a coordinate that is not finite) are left out of a cloud file
// unless the file is organised (CloudFileOptions::organized): then every pixel is written in row order, and
// both PLY and PCD mark the unmeasured ones with NaN coordinates, and give the grid (PLY: an
// "obj_info width W height H" line; PCD: WIDTH and HEIGHT).

#include <cstdint>
#include <string>

#include "quorix/Export.h"
#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace norvik {
namespace files {

// Outcome of a file operation: empty when it worked, otherwise a sentence for a person naming the file.
struct FileResult {
    std::string error;

    bool ok() const { return error.empty(); }
    static FileResult failure(const std::string& path, const std::string& what) {
        return FileResult{path + ": " + what};
    }
};

// ---- Point clouds: PLY and PCD ----

struct CloudFileOptions {
    // PLY only: ASCII text instead of binary little-endian. It is about five times larger and slower; a write
    // that takes longer than a second shows a progress bar on standard error when that is a terminal.
    bool ascii = false;
    // Keep every pixel in row order (width x height), NaN where nothing was measured.
    bool organized = false;
};

// A point was measured when its depth is positive and all its coordinates are finite.
QUORIX_EXPORT_API bool isMeasured(float x, float y, float z);

// x y z as float (millimetres), and red green blue as uchar for coloured clouds.
QUORIX_EXPORT_API FileResult writePly(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                                      const CloudFileOptions& options = {});
QUORIX_EXPORT_API FileResult writePly(const std::string& path,
                                      const api::Frame<api::ElementPointXYZBGR>& cloud,
                                      const CloudFileOptions& options = {});
// Binary PCD v0.7: x y z float, and the colour as the usual packed "rgb" field (0x00RRGGBB).
QUORIX_EXPORT_API FileResult writePcd(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                                      const CloudFileOptions& options = {});
QUORIX_EXPORT_API FileResult writePcd(const std::string& path,
                                      const api::Frame<api::ElementPointXYZBGR>& cloud,
                                      const CloudFileOptions& options = {});
// By extension: ".pcd" gives PCD, ".ply" PLY; any other name is refused.
QUORIX_EXPORT_API FileResult writeCloud(const std::string& path,
                                        const api::Frame<api::ElementPointXYZ>& cloud,
                                        const CloudFileOptions& options = {});
QUORIX_EXPORT_API FileResult writeCloud(const std::string& path,
                                        const api::Frame<api::ElementPointXYZBGR>& cloud,
                                        const CloudFileOptions& options = {});

// ---- Images: PNG and TIFF ----

// zlib's levels, 0 (none) to 9 (smallest). The default is fast: files a little larger than at level 6
// (a tenth, for a camera image), written several times faster.
constexpr int kDefaultPngLevel = 1;

// 8-bit RGB PNG of a B-G-R image.
QUORIX_EXPORT_API FileResult writeColorPng(const std::string& path,
                                           const api::Frame<api::ElementColor>& image,
                                           int pngLevel = kDefaultPngLevel);
// 16-bit gray PNG of depths rounded to whole millimetres (0: no measurement; above 65535 mm: clipped).
QUORIX_EXPORT_API FileResult writeDepthPng16(const std::string& path,
                                             const api::Frame<api::ElementDepth>& depth,
                                             int pngLevel = kDefaultPngLevel);
// Single-channel uncompressed 32-bit float TIFF of depths in millimetres, exactly as captured.
QUORIX_EXPORT_API FileResult writeDepthTiff(const std::string& path,
                                            const api::Frame<api::ElementDepth>& depth);
// By extension: ".png" gives the 16-bit PNG, ".tiff" or ".tif" the float TIFF; any other name is refused.
QUORIX_EXPORT_API FileResult writeDepthMap(const std::string& path,
                                           const api::Frame<api::ElementDepth>& depth,
                                           int pngLevel = kDefaultPngLevel);

// Any PNG (gray, palette, RGB, with or without alpha) as a B-G-R image.
QUORIX_EXPORT_API FileResult readColorPng(const std::string& path, api::Frame<api::ElementColor>& image);
// A depth map from a 32-bit float TIFF or a 16-bit gray PNG (millimetres), chosen by the file's signature.
// PNG samples are read as stored: gamma and colour-space chunks do not change depths.
QUORIX_EXPORT_API FileResult readDepthMap(const std::string& path, api::Frame<api::ElementDepth>& depth);

// ---- Pictures ----

// The depth map colourised from near (blue) to far (red) over its measured range; black where nothing was
// measured.
QUORIX_EXPORT_API FileResult writeDepthPreviewPng(const std::string& path,
                                                  const api::Frame<api::ElementDepth>& depth,
                                                  int pngLevel = kDefaultPngLevel);

struct PreviewOptions {
    std::uint32_t width = 960;
    std::uint32_t height = 720;
    double yawDegrees = 35;    // turn about the cloud's vertical axis
    double pitchDegrees = 30;  // tilt towards the viewer
    int pngLevel = kDefaultPngLevel;
};

// A picture of the measured points seen from above and to the side, with a z-buffer, each point a small
// square, orthographic and fitted to the picture. Points of an uncoloured cloud are shaded by depth.
QUORIX_EXPORT_API api::Frame<api::ElementColor> renderCloudPreview(
    const api::Frame<api::ElementPointXYZBGR>& cloud, const PreviewOptions& options = {});
QUORIX_EXPORT_API api::Frame<api::ElementColor> renderCloudPreview(
    const api::Frame<api::ElementPointXYZ>& cloud, const PreviewOptions& options = {});
QUORIX_EXPORT_API FileResult writeCloudPreviewPng(const std::string& path,
                                                  const api::Frame<api::ElementPointXYZBGR>& cloud,
                                                  const PreviewOptions& options = {});
QUORIX_EXPORT_API FileResult writeCloudPreviewPng(const std::string& path,
                                                  const api::Frame<api::ElementPointXYZ>& cloud,
                                                  const PreviewOptions& options = {});

// ---- Calibration ----
//
//   { "camera2D": { "fx", "fy", "cx", "cy", "distortion": [k1..k5] },
//     "camera3D": { same },
//     "rotation": [[3], [3], [3]], "translation": [3] }     (pixels; translation in millimetres)
// A document holding that object as its "calibration" member (the output of `quorix info --json`) is read
// as well.

// Refuses a calibration with a value that is not finite (JSON has no such numbers).
QUORIX_EXPORT_API FileResult writeCalibration(const std::string& path, const api::DeviceIntri& intri);
// Every member is checked; a missing or mistyped one is reported by name and intri is left unchanged.
// Documents nested deeper than a calibration can be are refused without being parsed.
QUORIX_EXPORT_API FileResult parseCalibration(const std::string& text, api::DeviceIntri& intri);
QUORIX_EXPORT_API FileResult readCalibration(const std::string& path, api::DeviceIntri& intri);

// ---- Plain files ----

// Whether the file name ends with the suffix, ignoring case.
QUORIX_EXPORT_API bool hasExtension(const std::string& path, const std::string& suffix);
// Writes text through a temporary file, as every writer here does.
QUORIX_EXPORT_API FileResult writeTextFile(const std::string& path, const std::string& text);
// Reads a whole file; false when it cannot be opened or read.
QUORIX_EXPORT_API bool readTextFile(const std::string& path, std::string& text);

}  // namespace files
}  // namespace norvik
