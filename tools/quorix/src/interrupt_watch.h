#pragma once

// Ctrl-C as a request to stop after the current piece of work, instead of the end of the process.

#include <atomic>
#include <thread>

#include <signal.h>

namespace quorix {
namespace tool {

// While one exists, SIGINT (and SIGTERM) only set requested(); a second one ends the process at once. Create
// it before any other thread (the camera connection, the parallel loops), so that no thread is interrupted in
// a system call: the signals are blocked in every thread and taken by a watcher thread of its own.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool requested() const { return requested_.load(); }
    // Sleeps up to ms milliseconds; returns early when an interrupt comes.
    void sleepFor(double ms) const;

private:
    sigset_t signals_{};
    sigset_t previous_{};
    std::atomic<bool> requested_{false};
    std::atomic<bool> closing_{false};
    std::thread watcher_;
};

}  // namespace tool
}  // namespace quorix
