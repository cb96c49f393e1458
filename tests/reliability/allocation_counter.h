#pragma once

// Allocation counting for the memory test: this program replaces the global operator new so that every
// allocation made by the calling thread is counted.

#include <cstdint>

namespace reliability {

// Allocations made so far by the calling thread through operator new.
std::uint64_t threadAllocations();
// The process's resident set in KiB (from /proc/self/statm), 0 when unreadable.
long residentKiB();

// The address sanitizer holds freed memory back, so resident memory is not a measure of leaks there (its
// leak checker is).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitized = true;
#else
inline constexpr bool kAddressSanitized = false;
#endif
#else
inline constexpr bool kAddressSanitized = false;
#endif

}  // namespace reliability
