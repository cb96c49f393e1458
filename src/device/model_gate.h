#pragma once

// The one check that every model-specific operation makes first.

#include <string>

#include "quorix/Types.h"
#include "settings/capability.h"

namespace norvik {
namespace device {

// Success when model has the feature; otherwise UnsupportedModel for a read, WriteError for a write, with
// the feature's refusal message.
api::ErrorStatus checkCapability(const std::string& model, settings::Capability capability,
                                 settings::Access access);

inline constexpr char kFlashRefusedMessage[] =
    "FLASH mode in Scanning2DSettings::Scan2DExposureMode is not supported.";

}  // namespace device
}  // namespace norvik
