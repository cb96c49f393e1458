#include "device/device_impl.h"

namespace norvik {
namespace api {

ErrorStatus QuorixDeviceImpl::capturePointXYZMap(Frame<ElementPointXYZ>& frame) {
    return imaging::capturePointXYZMap(
        channel_, [this](DeviceIntri& intri) { return intrinsicsForCloud(intri); }, frame);
}

ErrorStatus QuorixDeviceImpl::capturePointXYZBGRMap(Frame<ElementPointXYZBGR>& frame) {
    return imaging::capturePointXYZBGRMap(
        channel_, [this](DeviceIntri& intri) { return intrinsicsForCloud(intri); }, colorScratch_, frame);
}

}  // namespace api
}  // namespace norvik
