#pragma once

// The cameras announced on the local networks, as identity records ready for connect.

#include <vector>

#include "discovery/announcement.h"
#include "discovery/discovery_listener.h"
#include "quorix/Types.h"

namespace norvik {
namespace device {

// One record per usable announcement, in the announcements' order. A payload that is not a JSON object of
// the identity's shape is skipped with a diagnostic line (standard error by default); virtual cameras and
// records without an identifier are skipped silently. A record that names no address takes the sender's.
std::vector<api::QuorixDeviceInfo> devicesFromAnnouncements(
    const std::vector<discovery::Announcement>& announcements);

// Listens on the discovery port for one listening window (windowMs, at least 1: a zero receive time-out
// would wait for ever) and returns the cameras heard. Throws std::runtime_error when the socket cannot be
// opened; bind and receive failures only print their lines.
std::vector<api::QuorixDeviceInfo> enumerateDeviceList(int windowMs = discovery::kListeningWindowMs);

}  // namespace device
}  // namespace norvik
