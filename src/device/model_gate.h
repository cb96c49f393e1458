#pragma once

// The one check that every model-specific operation makes first.

#include <string>
#include <vector>

#include "quorix/Types.h"
#include "settings/capability.h"

namespace norvik {
namespace device {

// Success when model has the feature; otherwise UnsupportedModel for a read, WriteError for a write, with
// the feature's refusal message.
api::ErrorStatus checkCapability(const std::string& model, settings::Capability capability,
                                 settings::Access access);

// The names of the models that have the feature.
std::vector<std::string> modelsWith(settings::Capability capability);

inline constexpr char kFlashRefusedMessage[] =
    "FLASH mode in Scanning2DSettings::Scan2DExposureMode is not supported.";

}  // namespace device
}  // namespace norvik
