#pragma once

// Model-specific features that gate some settings. The device layer decides, from the connected camera's
// model, whether a feature is there; the settings only name the feature they need.

namespace norvik {
namespace settings {

enum class Capability {
    LaserSettings,
    AntiFlicker,
    FringeCodingMode,
    ProjectorPowerLevel,
    Vela,
    FlashExposure,
};

// A refused getter reports UnsupportedModel, a refused setter WriteError.
enum class Access { Read, Write };

}  // namespace settings
}  // namespace norvik
