#include "settings/depth_range.h"

#include "settings/catalogue.h"
#include "settings/parameter_access.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

namespace p = protocol::parameter;

namespace {

constexpr char kNotIncreasing[] = "Invalid parameter input.";

}  // namespace

api::ErrorStatus checkDepthRange(const api::DepthRange& range) {
    if (auto s = checkRange("depthLowerLimit", range.depthLowerLimit, limits::kDepthLowerLimit); !s.isOk())
        return s;
    if (auto s = checkRange("depthUpperLimit", range.depthUpperLimit, limits::kDepthUpperLimit); !s.isOk())
        return s;
    if (range.depthLowerLimit >= range.depthUpperLimit) return {api::WriteError, kNotIncreasing};
    return {};
}

api::ErrorStatus setDepthRange(transport::CommandClient& client, const api::DepthRange& range) {
    if (auto s = checkDepthRange(range); !s.isOk()) return s;
    if (auto s = setParameter(client, p::DepthLowerLimit, range.depthLowerLimit); !s.isOk()) return s;
    return setParameter(client, p::DepthUpperLimit, range.depthUpperLimit);
}

api::ErrorStatus getDepthRange(transport::CommandClient& client, api::DepthRange& range) {
    std::int32_t lower = 0;
    std::int32_t upper = 0;
    const api::ErrorStatus lowerStatus = readParameter(client, p::DepthLowerLimit, lower);
    if (!lowerStatus.isOk()) lower = 0;
    api::ErrorStatus status = readParameter(client, p::DepthUpperLimit, upper);
    if (!status.isOk()) upper = 0;
    range = {lower, upper};
    // A limit that could not be read is a failed read, not a limit of 0.
    return lowerStatus.isOk() ? status : lowerStatus;
}

}  // namespace settings
}  // namespace norvik
