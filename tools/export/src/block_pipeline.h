#pragma once

// Making the blocks of a file on a second thread while the calling thread writes the ones before: packing
// hides behind the write. The threads hand blocks over through a condition variable, never by spinning, so
// a thread the busy machine does not run costs the other nothing but the wait.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <system_error>
#include <thread>

namespace norvik {
namespace files {

// Calls make(k) for k = 0 .. blocks - 1 on a helper thread, at most two blocks ahead of write(k), which runs
// in order on the calling thread (block k may reuse block k - 2's buffer). A write that returns false stops
// both. Without a helper thread (one block, or none to be had) both run in turn on the calling thread.
template <typename Make, typename Write>
void pipelineBlocks(std::size_t blocks, const Make& make, const Write& write) {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t made = 0, written = 0;
    bool stopped = false;
    auto helper = [&] {
        for (std::size_t k = 0; k < blocks; ++k) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stopped || k < written + 2; });
                if (stopped) return;
            }
            make(k);
            {
                std::lock_guard<std::mutex> lock(mutex);
                made = k + 1;
            }
            changed.notify_all();
        }
    };
    std::thread maker;
    if (blocks > 1) {
        try {
            maker = std::thread(helper);
        } catch (const std::system_error&) {
        }
    }
    if (!maker.joinable()) {
        for (std::size_t k = 0; k < blocks; ++k) {
            make(k);
            if (!write(k)) return;
        }
        return;
    }
    for (std::size_t k = 0; k < blocks; ++k) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return k < made; });
        }
        const bool ok = write(k);
        {
            std::lock_guard<std::mutex> lock(mutex);
            written = k + 1;
            stopped = !ok;
        }
        changed.notify_all();
        if (!ok) break;
    }
    maker.join();
}

}  // namespace files
}  // namespace norvik
