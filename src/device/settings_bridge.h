#pragma once

// How the device runs a settings operation: the setting's model gate first, answered from the connected
// camera's model, then the operation itself on the device's command channel.

#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

#include "device/device_impl.h"
#include "settings/gate.h"
#include "settings/roi.h"
#include "settings/scalar_settings.h"

namespace norvik {
namespace device {

// Runs operation(channel, args...) on the device's channel when the gate lets it through.
template <typename Operation, typename... Args>
api::ErrorStatus gated(api::QuorixDeviceImpl& impl, const settings::Gate& gate, settings::Access access,
                       Operation operation, Args&&... args) {
    if (auto s = impl.checkGate(gate, access); !s.isOk()) return s;
    return operation(impl.channel(), std::forward<Args>(args)...);
}

template <typename T>
api::ErrorStatus readSetting(api::QuorixDeviceImpl& impl, const settings::ScalarSetting<T>& setting, T& out) {
    if (auto s = impl.checkGate(setting.row.gate, settings::Access::Read); !s.isOk()) return s;
    return settings::readScalar(impl.channel(), setting, out);
}

template <typename T>
api::ErrorStatus writeSetting(api::QuorixDeviceImpl& impl, const settings::ScalarSetting<T>& setting,
                              T value) {
    std::optional<std::int32_t> gatedValue;  // only integers and enumerations are refused by value
    if constexpr (std::is_same_v<typename settings::ScalarSetting<T>::Wire, std::int32_t>)
        gatedValue = static_cast<std::int32_t>(value);
    if (auto s = impl.checkGate(setting.row.gate, settings::Access::Write, gatedValue); !s.isOk()) return s;
    return settings::writeScalar(impl.channel(), setting, value);
}

// The device's image sizes, for the region-of-interest setters.
settings::ImageSizeReader imageSizes(api::QuorixDeviceImpl& impl);

}  // namespace device
}  // namespace norvik
