#include "device/device_impl.h"

#include "device/model_catalogue.h"
#include "device/model_gate.h"

namespace norvik {
namespace api {

QuorixDeviceInfo QuorixDeviceImpl::cachedInfo() const {
    std::lock_guard<std::mutex> lock(cacheMutex);
    return cachedInfo_;
}

std::string QuorixDeviceImpl::cachedModel() const {
    std::lock_guard<std::mutex> lock(cacheMutex);
    return cachedInfo_.model;
}

ErrorStatus QuorixDeviceImpl::checkGate(const settings::Gate& gate, settings::Access access,
                                        std::optional<std::int32_t> value) const {
    return device::checkGate(cachedModel(), gate, access, value);
}

bool QuorixDeviceImpl::isVelaModel() const { return device::isVelaModel(cachedModel()); }

DeviceIntri QuorixDeviceImpl::cachedIntri() const {
    std::lock_guard<std::mutex> lock(cacheMutex);
    return cachedIntri_;
}

ErrorStatus QuorixDeviceImpl::intrinsicsForCloud(DeviceIntri& out) {
    if (isVelaModel()) return fetchDeviceIntri(out);
    out = cachedIntri();
    return {};
}

}  // namespace api
}  // namespace norvik
