#include "settings/vela_settings.h"

#include "settings/scalar_settings.h"

namespace norvik {
namespace settings {

api::ErrorStatus setVelaSettings(transport::CommandClient& client, const api::VelaSettings& vela) {
    if (auto s = writeScalar(client, rows::kVelaCaptureMode, vela.CaptureMode); !s.isOk()) return s;
    return writeScalar(client, rows::kVelaFringeCodingMode, vela.FringeCodingMode);
}

api::ErrorStatus getVelaSettings(transport::CommandClient& client, api::VelaSettings& vela) {
    if (auto s = readScalar(client, rows::kVelaCaptureMode, vela.CaptureMode); !s.isOk()) return s;
    return readScalar(client, rows::kVelaFringeCodingMode, vela.FringeCodingMode);
}

}  // namespace settings
}  // namespace norvik
