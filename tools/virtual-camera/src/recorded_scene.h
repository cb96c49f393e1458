#pragma once

// A scene recorded by `quorix capture --record` (docs/recorded-scene.md), served instead of the synthetic
// one: its calibration and image sizes, and its frames in turn, each kind cycling on its own.

#include <string>
#include <vector>

#include "rig.h"

namespace quorix {
namespace virtualcam {

class RecordedScene {
  public:
    // False with the reason naming the file or entry when the folder is not a complete, consistent
    // recording. Frames name files inside the folder only (no absolute names, no "..", no links leading
    // out), each of exactly the size its image needs, checked before it is read.
    bool load(const std::string& folder, std::string& error);

    const Rig& rig() const { return rig_; }
    // The next depth payload (offset 16-bit samples at kDepthScale) and 2D payload.
    const std::string& nextDepth();
    const std::string& nextColor(bool gray);

  private:
    bool loadFrom(const std::string& folder, std::string& error);

    Rig rig_;
    std::vector<std::string> depths_, colors_, grays_;
    std::size_t nextDepth_ = 0, nextColor_ = 0;
};

}  // namespace virtualcam
}  // namespace quorix
