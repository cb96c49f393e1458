#pragma once

// Counts calls of the global operator new in this program (the replacement lives in allocation_counter.cpp).

#include <cstdint>

namespace bench {

std::uint64_t allocationCount();
std::uint64_t allocatedBytes();

}  // namespace bench
