#pragma once

// The public descriptions of the settings, built once from the catalogue and the model catalogue.

#include <string>
#include <vector>

#include "quorix/SettingCatalogue.h"

namespace norvik {
namespace device {

const std::vector<api::SettingDescription>& settingDescriptions();
// The descriptions of the settings a camera of this model has.
std::vector<api::SettingDescription> settingDescriptionsFor(const std::string& model);

}  // namespace device
}  // namespace norvik
