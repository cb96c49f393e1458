#pragma once

// Model codes reported by cameras, their names, and which models have which optional features.

#include <string>
#include <vector>

namespace norvik {
namespace device {

// "Quorix " followed by the model's suffix; the bare prefix for an unlisted code.
std::string modelName(int code);
// Same length and same bytes: letter case counts.
bool isModel(const std::string& name, int code);

// The names of the listed models for which present is true, in the order of their codes.
std::vector<std::string> modelNamesWhere(bool (*present)(const std::string& model));

bool supportsLaserSettings(const std::string& model);
bool lacksFlashExposure(const std::string& model);
bool supportsAntiFlicker(const std::string& model);
bool supportsFringeCodingMode(const std::string& model);
bool supportsProjectorPowerLevel(const std::string& model);
bool isVelaModel(const std::string& model);

}  // namespace device
}  // namespace norvik
