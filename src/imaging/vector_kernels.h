#pragma once

// The vector loops behind cloud_kernels.h, chosen at run time: AVX-512 (with the byte permutes of VBMI) where
// the processor has it, AVX2 otherwise. They compute the same values as the portable loops, to the bit. GCC
// only: they are compiled through its target pragma.

#include "imaging/cloud_kernels.h"

namespace norvik {
namespace imaging {

// One instruction set's loops, with the arguments of the functions of the same names in cloud_kernels.h.
struct VectorLoops {
    // True when the processor has the instructions and the loops can take the parameters.
    bool (*usable)(const KernelParams& params);
    void (*depthRange)(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                       const KernelParams& params);
    void (*pointRange)(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin,
                       std::size_t end, const KernelParams& params);
    void (*colorPointRange)(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                            api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                            const KernelParams& params);
};

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__clang__)
#define QUORIX_VECTOR_KERNELS 1
extern const VectorLoops kAvx2Loops;    // cloud_kernels_avx2.cpp
extern const VectorLoops kAvx512Loops;  // cloud_kernels_avx512.cpp
#endif

}  // namespace imaging
}  // namespace norvik
