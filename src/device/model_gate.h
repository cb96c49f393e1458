#pragma once

// The one check that every model-specific operation makes first.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quorix/Types.h"
#include "settings/capability.h"
#include "settings/gate.h"

namespace norvik {
namespace device {

// Success when model has the feature; otherwise UnsupportedModel for a read, WriteError for a write, with
// the feature's refusal message.
api::ErrorStatus checkCapability(const std::string& model, settings::Capability capability,
                                 settings::Access access);

// The gate of a setting's operation on a camera of this model: Success when the operation may go on,
// otherwise the refusal of checkCapability. value is a setter's value, for gates that concern one value.
api::ErrorStatus checkGate(const std::string& model, const settings::Gate& gate, settings::Access access,
                           std::optional<std::int32_t> value = std::nullopt);

// The names of the listed models that have the feature, and of those that lack it.
std::vector<std::string> modelsWith(settings::Capability capability);
std::vector<std::string> modelsWithout(settings::Capability capability);

}  // namespace device
}  // namespace norvik
