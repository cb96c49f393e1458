#include "device/settings_bridge.h"

namespace norvik {
namespace device {

settings::ImageSizeReader imageSizes(api::QuorixDeviceImpl& impl) {
    return [&impl](api::DeviceResolution& sizes) { return impl.fetchDeviceResolution(sizes); };
}

}  // namespace device
}  // namespace norvik
