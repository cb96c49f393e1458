#pragma once

// Turning the image bytes of a capture into colour and depth frames.

#include <string_view>

#include "imaging/image_header.h"
#include "quorix/Frame.h"
#include "quorix/Types.h"

namespace norvik {
namespace imaging {

// Whether the payload holds what the header announces: Success, or CaptureError saying what is wrong.
// Colour: type 16 needs rows*cols*3 bytes (and a byteCount of that size, or a negative one), type 0
// rows*cols bytes, other types are refused.
// Depth: 2*rows*cols bytes and a non-zero scale.
api::ErrorStatus checkColorPayload(const ImageHeader& header, std::string_view payload);
api::ErrorStatus checkDepthPayload(const ImageHeader& header, std::string_view payload);

// Each returns false, leaving the frame untouched, when its check above refuses the input. Otherwise the
// frame takes cols x rows (reallocated only when the size changes) and every pixel is written.
bool decodeColorMap(const ImageHeader& header, std::string_view payload,
                    api::Frame<api::ElementColor>& frame);
// Depth in millimetres: (sample - 32768) / scale, in a parallel loop.
bool decodeDepthMap(const ImageHeader& header, std::string_view payload,
                    api::Frame<api::ElementDepth>& frame);

// rows*cols when both are positive and the product fits a 32-bit integer, otherwise 0.
std::size_t pixelCount(const ImageHeader& header);

}  // namespace imaging
}  // namespace norvik
