#include "device/model_gate.h"

#include "device/model_catalogue.h"

namespace norvik {
namespace device {

namespace {

struct GateRow {
    settings::Capability capability;
    bool (*present)(const std::string& model);
    const char* refusal;
};

constexpr char kOrraOnly[] = "This API only support with Quorix Orra Industrial 3D Camera.";
constexpr char kZikaVex[] = "This API only support with Quorix ZIKA and VEX series Industrial 3D Cameras.";
constexpr char kZikaTavVex[] =
    "This API only support with Quorix ZIKA, TAV and VEX series Industrial 3D Cameras.";
constexpr char kVelaOnly[] = "This API only support with Quorix VELA Industrial 3D Camera.";
constexpr char kNoFlash[] = "FLASH mode in Scanning2DSettings::Scan2DExposureMode is not supported.";

// A camera that names no listed model is taken to have flash exposure.
bool hasFlashExposure(const std::string& model) { return !lacksFlashExposure(model); }

constexpr GateRow kGates[] = {
    {settings::Capability::LaserSettings, supportsLaserSettings, kOrraOnly},
    {settings::Capability::AntiFlicker, supportsAntiFlicker, kZikaVex},
    {settings::Capability::FringeCodingMode, supportsFringeCodingMode, kZikaVex},
    {settings::Capability::ProjectorPowerLevel, supportsProjectorPowerLevel, kZikaTavVex},
    {settings::Capability::Vela, isVelaModel, kVelaOnly},
    {settings::Capability::FlashExposure, hasFlashExposure, kNoFlash},
};

const GateRow* findGate(settings::Capability capability) {
    for (const auto& row : kGates)
        if (row.capability == capability) return &row;
    return nullptr;
}

}  // namespace

std::vector<std::string> modelsWith(settings::Capability capability) {
    const GateRow* row = findGate(capability);
    return row ? modelNamesWhere(row->present) : std::vector<std::string>{};
}

std::vector<std::string> modelsWithout(settings::Capability capability) {
    const GateRow* row = findGate(capability);
    if (row == nullptr) return {};
    std::vector<std::string> without;
    for (std::string& name : modelNamesWhere([](const std::string&) { return true; }))
        if (!row->present(name)) without.push_back(std::move(name));
    return without;
}

api::ErrorStatus checkGate(const std::string& model, const settings::Gate& gate, settings::Access access,
                           std::optional<std::int32_t> value) {
    if (!gate.feature) return {};
    if (gate.onlyForValue && (access == settings::Access::Read || value != gate.onlyForValue)) return {};
    return checkCapability(model, *gate.feature, access);
}

api::ErrorStatus checkCapability(const std::string& model, settings::Capability capability,
                                 settings::Access access) {
    const GateRow* row = findGate(capability);
    if (row == nullptr || row->present(model)) return {};
    return {access == settings::Access::Read ? api::UnsupportedModel : api::WriteError, row->refusal};
}

}  // namespace device
}  // namespace norvik
