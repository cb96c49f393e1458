#pragma once

// Point-cloud files that common point-cloud tools open: PLY and PCD.

#include <string>

#include "quorix/Frame.h"
#include "quorixexport/result.h"

namespace quorix {
namespace files {

struct CloudFileOptions {
    // PLY only: ASCII text instead of binary little-endian.
    bool ascii = false;
    // Keep every pixel in row order (PCD: WIDTH x HEIGHT, NaN where nothing was measured; PLY: zeros there).
    // Otherwise points without a measurement are left out.
    bool organized = false;
};

// A point was measured when its depth is positive and all its coordinates are finite.
bool isMeasured(float x, float y, float z);

FileResult writePly(const std::string& path, const norvik::api::Frame<norvik::api::ElementPointXYZ>& cloud,
                    const CloudFileOptions& options = {});
FileResult writePly(const std::string& path, const norvik::api::Frame<norvik::api::ElementPointXYZBGR>& cloud,
                    const CloudFileOptions& options = {});
// Binary PCD; the colour is the usual packed "rgb" field (0x00RRGGBB).
FileResult writePcd(const std::string& path, const norvik::api::Frame<norvik::api::ElementPointXYZ>& cloud,
                    const CloudFileOptions& options = {});
FileResult writePcd(const std::string& path, const norvik::api::Frame<norvik::api::ElementPointXYZBGR>& cloud,
                    const CloudFileOptions& options = {});

// By extension: ".pcd" gives PCD, anything else PLY.
template <typename Point>
FileResult writeCloud(const std::string& path, const norvik::api::Frame<Point>& cloud,
                      const CloudFileOptions& options = {}) {
    const bool pcd = path.size() >= 4 && path.compare(path.size() - 4, 4, ".pcd") == 0;
    return pcd ? writePcd(path, cloud, options) : writePly(path, cloud, options);
}

}  // namespace files
}  // namespace quorix
