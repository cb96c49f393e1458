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

constexpr GateRow kGates[] = {
    {settings::Capability::LaserSettings, supportsLaserSettings, kOrraOnly},
    {settings::Capability::AntiFlicker, supportsAntiFlicker, kZikaVex},
    {settings::Capability::FringeCodingMode, supportsFringeCodingMode, kZikaVex},
    {settings::Capability::ProjectorPowerLevel, supportsProjectorPowerLevel, kZikaTavVex},
    {settings::Capability::Vela, isVelaModel, kVelaOnly},
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

api::ErrorStatus checkCapability(const std::string& model, settings::Capability capability,
                                 settings::Access access) {
    const GateRow* row = findGate(capability);
    if (row == nullptr || row->present(model)) return {};
    return {access == settings::Access::Read ? api::UnsupportedModel : api::WriteError, row->refusal};
}

}  // namespace device
}  // namespace norvik
