#pragma once

// The camera's answers: one request text in, one framed reply out. Owns the user sets, the calibration and
// the renderer; every call runs under one lock, so probes from other threads see a consistent state.

#include <json/json.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "fault_state.h"
#include "model_traits.h"
#include "recorded_scene.h"
#include "renderer.h"
#include "rig.h"
#include "user_set_store.h"

namespace quorix {
namespace virtualcam {

// A framed reply: head (prefix, JSON and, for captures, the image header) then an optional payload that
// lives in the renderer until the next capture of its kind.
struct FramedReply {
    std::string head;
    const std::string* payload = nullptr;

    std::size_t size() const { return head.size() + (payload ? payload->size() : 0); }
    std::string joined() const { return payload ? head + *payload : head; }
};

class CommandService {
  public:
    CommandService(const Options& options, std::string identifier, std::uint16_t port, UserSetStore store,
                   std::string stateFile, FaultState& faults);

    FramedReply handle(std::string_view request);

    SurfaceProbe probeDepthPixel(int col, int row);
    std::array<double, 4> groundPlane();
    int renderCount();
    // Serves the recorded scene in folder from now on; empty on success, else the reason.
    std::string loadScene(const std::string& folder);

  private:
    FramedReply dispatch(const std::string& command, const Json::Value& request);
    FramedReply capture(const Json::Value& request);
    Json::Value configGroups() const;
    std::string persist();
    Rig currentRig() const;

    Options options_;
    std::string identifier_;
    std::uint16_t port_;
    ModelTraits traits_;
    ImageSize colorSize_, depthSize_;
    UserSetStore store_;
    std::string stateFile_;
    FaultState& faults_;
    Renderer renderer_;
    std::unique_ptr<RecordedScene> scene_;  // set: captures replay it
    std::mutex mutex_;
};

// Reply builders: a JSON object framed with its length prefix, and the error reply.
FramedReply jsonReply(const Json::Value& body);
FramedReply errorReply(const std::string& message);

}  // namespace virtualcam
}  // namespace quorix
