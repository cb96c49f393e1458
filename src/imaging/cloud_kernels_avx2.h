#pragma once

// The AVX2 loops behind cloud_kernels.h, chosen at run time. They compute the same values as the portable
// loops, to the bit. GCC only: they are compiled through its target pragma.

#include "imaging/cloud_kernels.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__clang__)
#define QUORIX_AVX2_KERNELS 1

namespace norvik {
namespace imaging {
namespace avx2 {

// True when the processor has AVX2 and the loops can take the parameters (they need the depth table).
bool usable(const KernelParams& params);

void depthRange(const unsigned char* raw, api::ElementDepth* out, std::size_t begin, std::size_t end,
                const KernelParams& params);
void pointRange(const unsigned char* raw, api::ElementPointXYZ* out, std::size_t begin, std::size_t end,
                const KernelParams& params);
void colorPointRange(const unsigned char* raw, const api::Frame<api::ElementColor>& color,
                     api::ElementPointXYZBGR* out, std::size_t begin, std::size_t end,
                     const KernelParams& params);

}  // namespace avx2
}  // namespace imaging
}  // namespace norvik

#endif
