#include "settings/vela_settings.h"

#include "settings/scalar_settings.h"

namespace norvik {
namespace settings {

api::ErrorStatus setVelaSettings(transport::CommandClient& client, const api::VelaSettings& vela) {
    if (auto s = writeScalar(client, scalars::kVelaCaptureMode, vela.CaptureMode); !s.isOk()) return s;
    return writeScalar(client, scalars::kVelaFringeCodingMode, vela.FringeCodingMode);
}

api::ErrorStatus getVelaSettings(transport::CommandClient& client, api::VelaSettings& vela) {
    if (auto s = readScalar(client, scalars::kVelaCaptureMode, vela.CaptureMode); !s.isOk()) return s;
    return readScalar(client, scalars::kVelaFringeCodingMode, vela.FringeCodingMode);
}

}  // namespace settings
}  // namespace norvik
