#pragma once

// Status texts of the capture and point-cloud operations.

namespace norvik {
namespace imaging {

inline constexpr char kShortPrefixMessage[] = "Malformed capture reply: shorter than its length prefix.";
inline constexpr char kJsonLengthMessage[] =
    "Malformed capture reply: the JSON length lies outside the reply.";
inline constexpr char kShortHeaderMessage[] = "Malformed capture reply: shorter than its image header.";
inline constexpr char kImageSizeMessage[] = "Malformed capture reply: the image size is not positive.";
inline constexpr char kImageTooLargeMessage[] = "Malformed capture reply: the image size is too large.";
inline constexpr char kShortPayloadMessage[] =
    "Malformed capture reply: the image data is shorter than its size.";
inline constexpr char kColorByteCountMessage[] =
    "Malformed capture reply: the byte count exceeds the image size.";
inline constexpr char kColorTypeMessage[] = "Malformed capture reply: unknown pixel type of the 2D image.";
inline constexpr char kZeroScaleMessage[] = "The depth map's scale is zero: no depth can be computed.";
inline constexpr char kInvalidIntrinsicsMessage[] = "The intrinsics parameters is invalid.";
inline constexpr char kEmptyInputMessage[] = "The input depth map or the texture mask is empty.";

}  // namespace imaging
}  // namespace norvik
