#pragma once

// One "CaptureImage" exchange: the reply is kept as received and read in place.

#include <string_view>
#include <zmq.hpp>

#include "imaging/image_header.h"
#include "quorix/Types.h"
#include "transport/command_client.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace imaging {

// A received capture: the message, its header and a view of its image bytes (valid while message lives).
struct CapturedImage {
    zmq::message_t message;
    ImageHeader header;
    std::string_view payload;
};

// Sends the capture request for imageType and splits the reply. On success the header has positive rows
// and cols whose product fits a 32-bit integer, and payload holds the reply's bytes behind the header, at
// most byteCount of them (all of them when byteCount is negative); the decoders check that they suffice.
// On failure header is zero and payload empty: InvalidDevice (not connected), ReadError (no reply),
// CaptureError (the camera's "err_msg" or a malformed reply).
api::ErrorStatus captureImage(transport::CommandClient& client, protocol::ImageType imageType,
                              CapturedImage& out);

// The splitting alone, on reply bytes (empty for no reply).
api::ErrorStatus splitCaptureReply(std::string_view reply, ImageHeader& header, std::string_view& payload);

}  // namespace imaging
}  // namespace norvik
