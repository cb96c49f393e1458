#pragma once

// Both settings of the VELA model at once. Each is also a single setting of its own (scalar_settings.h).

#include "quorix/Settings.h"
#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

// Sends the capture mode and, if that succeeded, the fringe coding mode.
api::ErrorStatus setVelaSettings(transport::CommandClient& client, const api::VelaSettings& vela);
// Reads the capture mode and, if that succeeded, the fringe coding mode; a failed read writes 0.
api::ErrorStatus getVelaSettings(transport::CommandClient& client, api::VelaSettings& vela);

}  // namespace settings
}  // namespace norvik
