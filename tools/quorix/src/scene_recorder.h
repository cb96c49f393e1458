#pragma once

// Writes a recorded scene: what a camera sent, in the folder layout the virtual camera's --scene reads
// (docs/recorded-scene.md).

#include <json/value.h>

#include <string>

#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

// The recording is written into a new folder next to the target and renamed into place by finish, so a
// recording that fails part-way never leaves a half-written scene, and an existing one is kept unless
// overwrite was given (and then replaced only once the new one is complete).
class SceneRecorder {
public:
    SceneRecorder() = default;
    SceneRecorder(const SceneRecorder&) = delete;
    SceneRecorder& operator=(const SceneRecorder&) = delete;
    // Removes an unfinished recording's folder.
    ~SceneRecorder();

    // Creates the working folder (and the target's parents). False with the reason when it cannot, or when
    // the target holds something and overwrite is false.
    bool open(const std::string& folder, const norvik::api::QuorixDevice& device, bool overwrite,
              std::string& error);
    bool addFrame(const norvik::api::Frame<norvik::api::ElementColor>& color,
                  const norvik::api::Frame<norvik::api::ElementDepth>& depth, std::string& error);
    // Writes scene.json, listing every frame added, and moves the recording into place.
    bool finish(std::string& error);

private:
    std::string target_;
    std::string folder_;  // the working folder
    Json::Value scene_;
};

}  // namespace tool
}  // namespace quorix
