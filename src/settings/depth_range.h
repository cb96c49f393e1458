#pragma once

// The depth range: two camera parameters, the lower and the upper limit.

#include "quorix/Settings.h"
#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

// Success, or WriteError when a limit is out of its range or the lower one is not below the upper one.
api::ErrorStatus checkDepthRange(const api::DepthRange& range);
// Checks as above, then sends the lower limit and, if that succeeded, the upper one.
api::ErrorStatus setDepthRange(transport::CommandClient& client, const api::DepthRange& range);
// Always reads both limits (0 for a failed read); the result is that of the upper limit's read.
api::ErrorStatus getDepthRange(transport::CommandClient& client, api::DepthRange& range);

}  // namespace settings
}  // namespace norvik
