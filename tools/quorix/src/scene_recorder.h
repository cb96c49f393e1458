#pragma once

// Writes a recorded scene: what a camera sent, in the folder layout the virtual camera's --scene reads
// (docs/recorded-scene.md).

#include <json/value.h>

#include <string>

#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

class SceneRecorder {
public:
    // Creates the folder (and its parents). False with the reason when it cannot.
    bool open(const std::string& folder, const norvik::api::QuorixDevice& device, std::string& error);
    bool addFrame(const norvik::api::Frame<norvik::api::ElementColor>& color,
                  const norvik::api::Frame<norvik::api::ElementDepth>& depth, std::string& error);
    // Writes scene.json, listing every frame added.
    bool finish(std::string& error);

private:
    std::string folder_;
    Json::Value scene_;
};

}  // namespace tool
}  // namespace quorix
