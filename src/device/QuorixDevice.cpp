// The exported class: every method forwards to the implementation object or to its subsystem.

#include "quorix/QuorixDevice.h"

#include "device/device_impl.h"
#include "device/device_list.h"

namespace norvik {
namespace api {

QuorixDevice::QuorixDevice() : impl_(std::make_unique<QuorixDeviceImpl>()) {}

QuorixDevice::~QuorixDevice() = default;

ErrorStatus QuorixDevice::connect(const std::string& ipAddress, int port, int timeout) {
    return impl_->connect(ipAddress, port, timeout);
}

ErrorStatus QuorixDevice::connect(const QuorixDeviceInfo& info, int timeout) {
    return impl_->connect(info.ipAddress, info.port, timeout);
}

void QuorixDevice::disconnect() { impl_->disconnect(); }

ErrorStatus QuorixDevice::getDeviceInfo(QuorixDeviceInfo& info) const { return impl_->fetchDeviceInfo(info); }

ErrorStatus QuorixDevice::getDeviceIntri(DeviceIntri& intri) const { return impl_->fetchDeviceIntri(intri); }

ErrorStatus QuorixDevice::getDeviceResolution(DeviceResolution& resolution) const {
    return impl_->fetchDeviceResolution(resolution);
}

// --- Discovery ---

std::vector<QuorixDeviceInfo> QuorixDevice::enumerateQuorixDeviceList() {
    return device::enumerateDeviceList();
}

// --- Capture and point clouds ---

// --- Capture settings ---

// --- User sets ---

}  // namespace api
}  // namespace norvik
