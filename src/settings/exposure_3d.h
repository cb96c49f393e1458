#pragma once

// The 3D exposure: one to three exposure times, held by the camera as a count and three time parameters.

#include <vector>

#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

// Success, or WriteError when the count (1 to 3) or a time (0.1 to 99) is refused.
api::ErrorStatus checkScan3DExposure(const std::vector<double>& times);
// Checks as above, then sends the count and the times in order, stopping at the first failed request.
api::ErrorStatus setScan3DExposure(transport::CommandClient& client, const std::vector<double>& times);
// Reads the three times and the count (always all four); times holds the first count of them. A count the
// list cannot hold (outside 0 to 3) gives ReadError and an empty list.
api::ErrorStatus getScan3DExposure(transport::CommandClient& client, std::vector<double>& times);

}  // namespace settings
}  // namespace norvik
