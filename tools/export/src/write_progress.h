#pragma once

// A progress bar on standard error for long writes, shown only when standard error is a terminal and the
// write has taken more than a second.

#include <chrono>
#include <cstddef>
#include <string>

namespace norvik {
namespace files {

class WriteProgress {
public:
    WriteProgress(std::string name, std::size_t total);
    ~WriteProgress();
    WriteProgress(const WriteProgress&) = delete;
    WriteProgress& operator=(const WriteProgress&) = delete;

    void update(std::size_t done);

private:
    std::string name_;
    std::size_t total_;
    bool terminal_;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace files
}  // namespace norvik
