#pragma once

// Any setting by its catalogue name, its value written as a list of numbers (quorix/SettingCatalogue.h).
// Each operation runs the setting's typed operation of the device, so checks, messages and read-failure
// values are those of the typed getters and setters.

#include <string>
#include <vector>

#include "device/device_impl.h"
#include "quorix/QuorixDevice.h"

namespace norvik {
namespace device {

api::ErrorStatus getSettingByName(const api::QuorixDevice& device, const std::string& name,
                                  std::vector<double>& values);
// The model, then the value's shape, then the setting's own checks; nothing is sent.
api::ErrorStatus checkSettingByName(api::QuorixDeviceImpl& impl, const std::string& name,
                                    const std::vector<double>& values);
// The model and the value's shape, then the typed setter (which checks the value and sends it).
api::ErrorStatus setSettingByName(const api::QuorixDevice& device, api::QuorixDeviceImpl& impl,
                                  const std::string& name, const std::vector<double>& values);

}  // namespace device
}  // namespace norvik
