#include "device/device_list.h"

#include <algorithm>
#include <string>

#include "device/device_info.h"
#include "discovery/discovery_listener.h"
#include "discovery/discovery_messages.h"
#include "transport/diagnostics.h"
#include "transport/json_codec.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace device {

std::vector<api::QuorixDeviceInfo> devicesFromAnnouncements(
    const std::vector<discovery::Announcement>& announcements) {
    std::vector<api::QuorixDeviceInfo> devices;
    for (const discovery::Announcement& announcement : announcements) {
        // parseJson reads with a reader of its own, so concurrent enumerations share nothing here.
        Json::Value value;
        api::QuorixDeviceInfo info;
        std::string error;
        if (!transport::parseJson(announcement.payload, value, error) ||
            !parseDeviceInfo(value, info, error)) {
            transport::reportDiagnostic(transport::DiagnosticStream::Error,
                                        discovery::kParseFailurePrefix + announcement.payload);
            continue;
        }
        if (info.id.empty()) continue;  // virtual cameras and announcements without an identifier
        if (info.ipAddress.empty()) info.ipAddress = announcement.address;
        devices.push_back(std::move(info));
    }
    return devices;
}

std::vector<api::QuorixDeviceInfo> enumerateDeviceList(int windowMs) {
    discovery::DiscoveryListener listener(protocol::kDiscoveryPort, std::max(windowMs, 1));
    // A failed bind has printed its lines; the receive then fails too and the list stays empty.
    listener.bind();
    const std::vector<discovery::Announcement> announcements = listener.collect();
    listener.close();  // free the port before the payloads are read
    return devicesFromAnnouncements(announcements);
}

}  // namespace device
}  // namespace norvik
