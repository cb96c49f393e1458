#include "write_progress.h"

#include <unistd.h>

#include <cstdio>

namespace norvik {
namespace files {

WriteProgress::WriteProgress(std::string name, std::size_t total)
    : name_(std::move(name)), total_(total), terminal_(::isatty(STDERR_FILENO) == 1) {}

WriteProgress::~WriteProgress() {
    if (shown_) std::fprintf(stderr, "\r%s: done%40s\n", name_.c_str(), "");
}

void WriteProgress::update(std::size_t done) {
    if (!terminal_ || total_ == 0) return;
    if (!shown_ && std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == lastPercent_) return;
    shown_ = true;
    lastPercent_ = percent;
    constexpr int kWidth = 30;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) bar[i] = i < percent * kWidth / 100 ? '#' : '.';
    bar[kWidth] = '\0';
    std::fprintf(stderr, "\r%s: [%s] %3d%%", name_.c_str(), bar, percent);
    std::fflush(stderr);
}

}  // namespace files
}  // namespace norvik
