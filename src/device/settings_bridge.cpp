#include "device/settings_bridge.h"

#include "device/model_gate.h"

namespace norvik {
namespace device {

api::ErrorStatus passGate(const api::QuorixDeviceImpl& impl, const settings::Gate& gate,
                          settings::Access access, std::optional<std::int32_t> value) {
    if (gate.feature) {
        if (auto s = impl.checkCapability(*gate.feature, access); !s.isOk()) return s;
    }
    if (access == settings::Access::Write && gate.flashValue && value == gate.flashValue &&
        impl.lacksFlashExposure())
        return {api::WriteError, kFlashRefusedMessage};
    return {};
}

settings::ImageSizeReader imageSizes(api::QuorixDeviceImpl& impl) {
    return [&impl](api::DeviceResolution& sizes) { return impl.fetchDeviceResolution(sizes); };
}

}  // namespace device
}  // namespace norvik
