// Preloaded into the benchmark's interpreter (LD_PRELOAD): counts the C++ allocations of a mebibyte or more,
// which is what a frame is, in every library of the process.

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kLarge = std::size_t{1} << 20;
std::atomic<long> largeAllocations{0};

void* allocate(std::size_t size) {
    if (size >= kLarge) largeAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) long quorix_large_allocations() {
    return largeAllocations.load(std::memory_order_relaxed);
}

__attribute__((visibility("default"))) void* operator new(std::size_t size) { return allocate(size); }
__attribute__((visibility("default"))) void* operator new[](std::size_t size) { return allocate(size); }
__attribute__((visibility("default"))) void operator delete(void* block) noexcept { std::free(block); }
__attribute__((visibility("default"))) void operator delete[](void* block) noexcept { std::free(block); }
__attribute__((visibility("default"))) void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
__attribute__((visibility("default"))) void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
