#include "fault_state.h"

#include <algorithm>

#include "transport/framing.h"

namespace quorix {
namespace virtualcam {

namespace proto = norvik::protocol;

Faults FaultState::get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_;
}

void FaultState::set(const Faults& faults) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_ = faults;
}

RequestFaults FaultState::takeForRequest() {
    std::lock_guard<std::mutex> lock(mutex_);
    RequestFaults request;
    if (faults_.silentRequests > 0) {
        --faults_.silentRequests;
        request.silent = true;
        return request;
    }
    request.delayMs = std::max(0, faults_.replyDelayMs);
    if (faults_.truncatedReplies > 0) {
        --faults_.truncatedReplies;
        request.truncate = true;
    } else if (faults_.malformedReplies > 0) {
        --faults_.malformedReplies;
        request.malform = true;
    } else if (faults_.oversizedReplies > 0) {
        --faults_.oversizedReplies;
        request.oversize = true;
    }
    return request;
}

std::optional<std::string> FaultState::failureFor(const std::string& command) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (faults_.failCommand.empty()) return std::nullopt;
    if (faults_.failCommand != command && faults_.failCommand != kEveryCommand) return std::nullopt;
    return faults_.failMessage;
}

std::string truncateReply(const std::string& reply) {
    return reply.substr(0, std::max<std::size_t>(1, reply.size() / 2));
}

std::string malformReply(const std::string& reply) {
    int cursor = 0;
    const std::int32_t length = proto::readInt32BE(reply, cursor);
    const std::size_t jsonEnd = proto::kLengthPrefixBytes + static_cast<std::size_t>(std::max(0, length));
    const std::string json = reply.substr(proto::kLengthPrefixBytes, length > 0 ? std::size_t(length) : 0);
    const std::string tail = jsonEnd < reply.size() ? reply.substr(jsonEnd) : std::string();
    // Half an object followed by a stray byte: no JSON reader accepts it.
    const std::string broken = json.substr(0, json.size() / 2) + "\x01}]";
    return proto::frameReply(broken, tail);
}

}  // namespace virtualcam
}  // namespace quorix
