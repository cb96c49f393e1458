#pragma once

// Model codes reported by cameras, their names, and which models have which optional features.

#include <string>

namespace norvik {
namespace device {

// "Quorix " followed by the model's suffix; the bare prefix for an unlisted code.
std::string modelName(int code);
// Same length and same bytes: letter case counts.
bool isModel(const std::string& name, int code);

bool supportsLaserSettings(const std::string& model);
bool lacksFlashExposure(const std::string& model);
bool supportsAntiFlicker(const std::string& model);
bool supportsFringeCodingMode(const std::string& model);
bool supportsProjectorPowerLevel(const std::string& model);
bool isVelaModel(const std::string& model);

}  // namespace device
}  // namespace norvik
