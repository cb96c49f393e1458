#pragma once

// The model check a setting's operations make before anything else. The settings only name it; the device
// layer, which knows the connected model, applies it.

#include <cstdint>
#include <optional>

#include "settings/capability.h"

namespace norvik {
namespace settings {

struct Gate {
    // Both operations need this feature of the model.
    std::optional<Capability> feature{};
    // The setter refuses this value on models that have no flash exposure.
    std::optional<std::int32_t> flashValue{};
};

inline constexpr Gate kNoGate{};

}  // namespace settings
}  // namespace norvik
