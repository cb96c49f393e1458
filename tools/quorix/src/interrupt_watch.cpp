#include "interrupt_watch.h"

#include <chrono>
#include <cstdlib>

#include <pthread.h>

namespace quorix {
namespace tool {

InterruptWatch::InterruptWatch() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    watcher_ = std::thread([this] {
        for (;;) {
            int signal = 0;
            if (sigwait(&signals_, &signal) != 0 || closing_.load()) return;
            // A second interrupt means now.
            if (requested_.exchange(true)) std::_Exit(128 + signal);
        }
    });
}

InterruptWatch::~InterruptWatch() {
    closing_.store(true);
    pthread_kill(watcher_.native_handle(), SIGINT);
    watcher_.join();
    // Threads started meanwhile keep the signals blocked; the process ends soon after a capture anyway.
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void InterruptWatch::sleepFor(double ms) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
    while (!requested() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace tool
}  // namespace quorix
