#pragma once

// Renders the scene into the payloads a capture carries: depth as little-endian offset 16-bit samples seen
// from the depth camera, the 2D image as B-G-R (or gray) bytes seen from the 2D camera. The settings in force
// shape the result (depth range, regions of interest, exposure, gain, thresholds). The last image of each
// kind is kept and returned again while nothing that shapes it has changed.

#include <json/json.h>

#include <cstdint>
#include <string>

#include "rig.h"

namespace quorix {
namespace virtualcam {

// Raw depth units per millimetre: 5000 mm become 32000 units above the offset, inside 16 bits.
inline constexpr double kDepthScale = 6.4;

class Renderer {
  public:
    // The depth payload (2 * width * height bytes) for the rig's depth camera.
    const std::string& depth(const Rig& rig, const Json::Value& parameters);
    // The 2D payload: 3 bytes per pixel B, G, R, or 1 gray byte per pixel.
    const std::string& color(const Rig& rig, const Json::Value& parameters, bool gray);

    // How many images were actually rendered (not reused), for tests of the reuse.
    int renderCount() const { return renders_; }

  private:
    std::string depthKey_, colorKey_;
    std::string depth_, color_;
    int renders_ = 0;
};

}  // namespace virtualcam
}  // namespace quorix
