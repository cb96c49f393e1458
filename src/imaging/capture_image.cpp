#include "imaging/capture_image.h"

#include <json/json.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "imaging/imaging_messages.h"
#include "transport/framing.h"
#include "transport/json_codec.h"
#include "transport/json_fields.h"

namespace norvik {
namespace imaging {

namespace {

// The two request texts never change; writing them once keeps the capture path free of allocations.
const std::string& requestText(protocol::ImageType imageType) {
    auto make = [](protocol::ImageType type) {
        Json::Value request;
        request[protocol::member::Cmd] = protocol::command::CaptureImage;
        request[protocol::member::ImageType] = static_cast<std::int32_t>(type);
        return transport::writeRequest(request);
    };
    static const std::string depth = make(protocol::ImageType::Depth);
    static const std::string color = make(protocol::ImageType::Color);
    return imageType == protocol::ImageType::Depth ? depth : color;
}

api::ErrorStatus captureError(const char* message) { return {api::CaptureError, message}; }

}  // namespace

api::ErrorStatus splitCaptureReply(std::string_view reply, ImageHeader& header, std::string_view& payload) {
    header = {};
    payload = {};
    if (reply.empty()) return {api::ReadError, ""};
    if (reply.size() < protocol::kLengthPrefixBytes) return captureError(kShortPrefixMessage);
    if (reply.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return captureError(kImageTooLargeMessage);

    int cursor = 0;
    const std::int32_t jsonLength = protocol::readInt32BE(reply, cursor);
    if (jsonLength < 0 || static_cast<std::size_t>(jsonLength) > reply.size() - protocol::kLengthPrefixBytes)
        return captureError(kJsonLengthMessage);

    // A JSON text that does not parse is not a failure by itself; only a reported "err_msg" is. A text
    // that does not name it, even with escapes, cannot report one, which spares the usual reply a parse.
    const std::string_view jsonText =
        reply.substr(protocol::kLengthPrefixBytes, static_cast<std::size_t>(jsonLength));
    if (jsonText.find(protocol::member::ErrMsg) != std::string_view::npos ||
        jsonText.find('\\') != std::string_view::npos) {
        Json::Value json;
        std::string parseError;
        transport::parseJson(jsonText, json, parseError);
        std::string errorText;
        std::string readError;
        if (!transport::readMember(json, protocol::member::ErrMsg, errorText, readError))
            return {api::CaptureError, readError};
        if (!errorText.empty()) return {api::CaptureError, errorText};
    }

    cursor += jsonLength;
    if (reply.size() - static_cast<std::size_t>(cursor) < protocol::kImageHeaderBytes)
        return captureError(kShortHeaderMessage);
    ImageHeader read;
    read.scale = protocol::readDoubleBE(reply, cursor);
    read.rows = protocol::readInt32BE(reply, cursor);
    read.cols = protocol::readInt32BE(reply, cursor);
    read.type = protocol::readInt32BE(reply, cursor);
    read.byteCount = protocol::readInt32BE(reply, cursor);

    if (read.rows <= 0 || read.cols <= 0) return captureError(kImageSizeMessage);
    if (static_cast<std::int64_t>(read.rows) * read.cols > std::numeric_limits<std::int32_t>::max())
        return captureError(kImageTooLargeMessage);
    // The byte count only bounds the image bytes: cameras send a negative one for "the rest of the reply",
    // and a larger one than they send. The image's own size decides whether the bytes make an image.
    const std::size_t available = reply.size() - static_cast<std::size_t>(cursor);
    const std::size_t count =
        read.byteCount < 0 ? available : std::min(available, static_cast<std::size_t>(read.byteCount));

    header = read;
    payload = reply.substr(static_cast<std::size_t>(cursor), count);
    return {};
}

api::ErrorStatus captureImage(transport::CommandClient& client, protocol::ImageType imageType,
                              CapturedImage& out) {
    out.header = {};
    out.payload = {};
    if (auto guard = client.connectionGuard(); !guard.isOk()) return guard;
    // No reply is a read failure without text, as splitCaptureReply reports it.
    if (!client.sendCommand(requestText(imageType), out.message).isOk()) return {api::ReadError, ""};
    return splitCaptureReply(
        std::string_view(static_cast<const char*>(out.message.data()), out.message.size()), out.header,
        out.payload);
}

}  // namespace imaging
}  // namespace norvik
