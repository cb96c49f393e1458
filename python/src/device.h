#pragma once

// quorix.Device's C++ side: one QuorixDevice, its exchanges run without the GIL, and the frames it keeps for
// captures into arrays of another origin. Bound by device.cpp (captures, user sets) and settings.cpp.

#include <atomic>
#include <shared_mutex>
#include <string>

#include "frames.h"
#include "quorix/QuorixDevice.h"

namespace quorix_python {

using norvik::api::ErrorStatus;
using norvik::api::QuorixDevice;

class Device {
public:
    // Runs operation(QuorixDevice&) -> ErrorStatus without the GIL and raises its failure.
    template <typename Operation>
    void call(Operation&& operation) {
        ErrorStatus status;
        {
            py::gil_scoped_release nogil;
            std::shared_lock<std::shared_mutex> lock(lifecycle_);
            status = operation(device_);
        }
        check(status);
    }

    // connect and disconnect must not overlap other calls of the device: they wait for them to finish.
    void connect(const std::string& address, int port, int timeoutMs) {
        ErrorStatus status;
        {
            py::gil_scoped_release nogil;
            std::unique_lock<std::shared_mutex> lock(lifecycle_);
            connected_ = false;
            status = device_.connect(address, port, timeoutMs);
            connected_ = status.code == norvik::api::Success;
        }
        check(status);
    }

    void disconnect() {
        py::gil_scoped_release nogil;
        std::unique_lock<std::shared_mutex> lock(lifecycle_);
        device_.disconnect();
        connected_ = false;
    }

    bool connected() const { return connected_; }

    template <typename T, typename Capture>
    py::array capture(Capture capture, const py::object& out, ScratchFrame<T>& scratch) {
        return fillFrame<T>(
            [this, capture](Frame<T>& frame) {
                std::shared_lock<std::shared_mutex> lock(lifecycle_);
                return (device_.*capture)(frame);
            },
            out, scratch);
    }

    ScratchFrame<ElementColor> colorScratch;
    ScratchFrame<ElementDepth> depthScratch;
    ScratchFrame<ElementPointXYZ> xyzScratch;
    ScratchFrame<ElementPointXYZBGR> xyzbgrScratch;

private:
    QuorixDevice device_;
    std::shared_mutex lifecycle_;
    std::atomic<bool> connected_{false};
};

}  // namespace quorix_python
