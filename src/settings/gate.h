#pragma once

// The model check a setting's operations make before anything else. The settings only name it; the device
// layer, which knows the connected model, applies it.

#include <cstdint>
#include <optional>

#include "settings/capability.h"

namespace norvik {
namespace settings {

struct Gate {
    // The feature of the model the operations need.
    std::optional<Capability> feature{};
    // When set, only the setter with this value needs the feature (Flash exposure); otherwise both
    // operations need it for every value.
    std::optional<std::int32_t> onlyForValue{};
};

inline constexpr Gate kNoGate{};

}  // namespace settings
}  // namespace norvik
