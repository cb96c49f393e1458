#include "reliability_figures.h"

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace reliability {

void recordFigure(const std::string& key, double value) {
    const char* path = std::getenv("QUORIX_RELIABILITY_FIGURES");
    if (path == nullptr || *path == '\0') return;
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::ofstream(path, std::ios::app) << key << ' ' << value << '\n';
}

}  // namespace reliability
