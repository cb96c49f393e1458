#pragma once

// The operations the reliability tests put under faults and load: each runs one public operation and
// digests what it wrote into the caller's output, so that a run under a fault can be compared with a clean
// one.

#include <functional>
#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"
#include "virtualcam/virtual_camera.h"

namespace reliability {

struct Operation {
    std::string name;
    std::function<norvik::api::ErrorStatus(norvik::api::QuorixDevice&, std::string& digest)> run;
    bool capture = false;  // a failed capture releases the caller's frame (digest empty)
};

// Reads of identity, calibration, parameters, user sets and the HDR sequence, and the four captures.
const std::vector<Operation>& operations();

// A small camera of the given model (16 x 12 images keep thousands of captures quick).
quorix::virtualcam::Options smallCamera(int modelCode = 13);

// Time-out of the devices in these tests: the late-reply cases wait for it.
inline constexpr int kTimeoutMs = 500;

}  // namespace reliability
