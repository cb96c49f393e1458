#pragma once

// The faults in force, shared between the serving thread and whoever changes them while the camera runs.

#include <mutex>
#include <optional>
#include <string>

#include "virtualcam/virtual_camera.h"

namespace quorix {
namespace virtualcam {

// What happens to one request.
struct RequestFaults {
    bool silent = false;
    int delayMs = 0;
    bool truncate = false;
    bool malform = false;
    bool oversize = false;
};

// failCommand value that fails every command.
inline constexpr char kEveryCommand[] = "*";

class FaultState {
  public:
    explicit FaultState(Faults faults) : faults_(std::move(faults)) {}

    Faults get() const;
    void set(const Faults& faults);
    // Changes the faults under the lock.
    template <typename Change>
    void update(Change change) {
        std::lock_guard<std::mutex> lock(mutex_);
        change(faults_);
    }

    // Faults for the next request; consumes one unit of each count that applies.
    RequestFaults takeForRequest();
    // The failure text when command is the one set to fail (or every command is).
    std::optional<std::string> failureFor(const std::string& command) const;

  private:
    mutable std::mutex mutex_;
    Faults faults_;
};

// Cuts a reply in half (at least one byte is kept).
std::string truncateReply(const std::string& reply);
// Replaces the JSON text of a framed reply by text that does not parse; the prefix gives its new length and a
// capture's binary tail is kept behind it.
std::string malformReply(const std::string& reply);

}  // namespace virtualcam
}  // namespace quorix
