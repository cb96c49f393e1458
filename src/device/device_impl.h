#pragma once

// The implementation object behind QuorixDevice: it owns the command channel and keeps what the camera said
// about itself (identity and calibration), the checks that depend on it, and what its captures keep from one
// call to the next.

#include <json/json.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "imaging/captures.h"
#include "quorix/QuorixDevice.h"
#include "settings/gate.h"
#include "transport/command_client.h"

namespace norvik {
namespace api {

class QuorixDeviceImpl {
public:
    // The device's one channel to its camera; the settings and capture operations exchange on it.
    transport::CommandClient& channel() { return channel_; }
    const transport::CommandClient& channel() const { return channel_; }

    // Connection lifecycle (connection.cpp).
    ErrorStatus connect(const std::string& ipAddress, int port, int timeout);
    void disconnect();

    // Identity (device_info.cpp) and calibration and image sizes (intrinsics.cpp). Each reads the camera;
    // the identity and calibration reads refresh their cache on success.
    ErrorStatus fetchDeviceInfo(QuorixDeviceInfo& info);
    ErrorStatus fetchDeviceIntri(DeviceIntri& out);
    ErrorStatus fetchDeviceResolution(DeviceResolution& out);

    // Copies of the caches; safe while another thread refreshes them.
    QuorixDeviceInfo cachedInfo() const;
    DeviceIntri cachedIntri() const;

    // The model gate of a setting's operation (device/model_gate.h), from the cached model name.
    ErrorStatus checkGate(const settings::Gate& gate, settings::Access access,
                          std::optional<std::int32_t> value = std::nullopt) const;
    bool isVelaModel() const;

    // The calibration a point cloud is computed from. A VELA camera changes its calibration with its capture
    // mode, so there it is read again; the cache is replaced only when that read succeeds.
    ErrorStatus intrinsicsForCloud(DeviceIntri& out);

    // The point-cloud captures (cloud_captures.cpp): a capture on the channel, computed with the calibration
    // above.
    ErrorStatus capturePointXYZMap(Frame<ElementPointXYZ>& frame);
    ErrorStatus capturePointXYZBGRMap(Frame<ElementPointXYZBGR>& frame);

private:
    std::string cachedModel() const;

    transport::CommandClient channel_;
    // The colour image a coloured cloud decodes on the way, kept from one capture to the next so that its
    // array is reused (imaging/captures.h).
    imaging::CaptureScratch colorScratch_;

    mutable std::mutex cacheMutex;
    DeviceIntri cachedIntri_;
    QuorixDeviceInfo cachedInfo_;
    // The address given to connect, for an identity that names none.
    std::string connectedAddress_;
};

}  // namespace api
}  // namespace norvik
