#pragma once

// Regions of interest of the 2D and of the depth image, each one camera parameter holding an object with
// "X", "Y", "Width" and "Height".

#include <cstdint>
#include <functional>

#include "quorix/Settings.h"
#include "quorix/Types.h"
#include "transport/command_client.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

// Reads the camera's image sizes (the device layer's resolution read).
using ImageSizeReader = std::function<api::ErrorStatus(api::DeviceResolution&)>;

struct RoiSetting {
    const char* key;
    // The image the region must fit in.
    std::uint32_t api::DeviceResolution::*imageWidth;
    std::uint32_t api::DeviceResolution::*imageHeight;
    // End of the refusal message; the two regions word it differently.
    const char* refusalEnd;
};

inline constexpr RoiSetting kScan2DRoi{protocol::parameter::Scan2DROI, &api::DeviceResolution::image2DWidth,
                                       &api::DeviceResolution::image2DHeight,
                                       ". Please check the input ROI value."};
inline constexpr RoiSetting kScan3DRoi{protocol::parameter::Scan3DROI, &api::DeviceResolution::image3DWidth,
                                       &api::DeviceResolution::image3DHeight,
                                       ". Please check the input roi value."};

// Success, or WriteError when the region does not fit in its image of these sizes.
api::ErrorStatus checkRoi(const RoiSetting& setting, const api::DeviceResolution& sizes, const api::ROI& roi);
// Reads the image sizes first (their failure is returned as is), refuses a region that does not fit in
// the image, then sends it.
api::ErrorStatus setRoi(transport::CommandClient& client, const RoiSetting& setting,
                        const ImageSizeReader& readSizes, const api::ROI& roi);
// All four fields 0 when the read fails.
api::ErrorStatus getRoi(transport::CommandClient& client, const RoiSetting& setting, api::ROI& roi);

}  // namespace settings
}  // namespace norvik
