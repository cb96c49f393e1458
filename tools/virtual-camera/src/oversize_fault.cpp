#include "oversize_fault.h"

namespace quorix {
namespace virtualcam {

std::string oversizeReply(const std::string& reply) {
    std::string out;
    out.reserve(reply.size() + kOversizeJunkBytes);
    out = reply;
    out.append(kOversizeJunkBytes, '\xFF');
    return out;
}

}  // namespace virtualcam
}  // namespace quorix
