// The exported class: every method forwards to the implementation object or to its subsystem.

#include "quorix/QuorixDevice.h"

#include "device/device_impl.h"
#include "imaging/captures.h"
#include "imaging/texture_mask.h"

namespace norvik {
namespace api {

QuorixDevice::QuorixDevice() : impl_(std::make_unique<QuorixDeviceImpl>()) {}

QuorixDevice::~QuorixDevice() = default;

ErrorStatus QuorixDevice::connect(const std::string& ipAddress, int port, int timeout) {
    return impl_->connect(ipAddress, port, timeout);
}

ErrorStatus QuorixDevice::connect(const QuorixDeviceInfo& info, int timeout) {
    return impl_->connect(info.ipAddress, info.port, timeout);
}

void QuorixDevice::disconnect() { impl_->disconnect(); }

ErrorStatus QuorixDevice::getDeviceInfo(QuorixDeviceInfo& info) const { return impl_->fetchDeviceInfo(info); }

ErrorStatus QuorixDevice::getDeviceIntri(DeviceIntri& intri) const { return impl_->fetchDeviceIntri(intri); }

ErrorStatus QuorixDevice::getDeviceResolution(DeviceResolution& resolution) const {
    return impl_->fetchDeviceResolution(resolution);
}

// --- Discovery ---

// --- Capture and point clouds ---

ErrorStatus QuorixDevice::captureColorMap(Frame<ElementColor>& colorMap) const {
    return imaging::captureColorMap(*impl_, colorMap);
}

ErrorStatus QuorixDevice::captureDepthMap(Frame<ElementDepth>& depthMap) const {
    return imaging::captureDepthMap(*impl_, depthMap);
}

ErrorStatus QuorixDevice::capturePointXYZMap(Frame<ElementPointXYZ>& pointCloud) const {
    return imaging::capturePointXYZMap(
        *impl_, [this](DeviceIntri& d) { return impl_->intrinsicsForCloud(d); }, pointCloud);
}

ErrorStatus QuorixDevice::capturePointXYZBGRMap(Frame<ElementPointXYZBGR>& pointCloud) const {
    return imaging::capturePointXYZBGRMap(
        *impl_, [this](DeviceIntri& d) { return impl_->intrinsicsForCloud(d); }, impl_->captureScratch,
        pointCloud);
}

ErrorStatus QuorixDevice::getCloudFromTextureMask(const Frame<ElementDepth>& depthMap,
                                                  const Frame<ElementColor>& textureMask,
                                                  const DeviceIntri& intri,
                                                  Frame<ElementPointXYZ>& pointCloud) {
    return imaging::getCloudFromTextureMask(depthMap, textureMask, intri, pointCloud);
}

ErrorStatus QuorixDevice::getCloudFromTextureMask(const Frame<ElementDepth>& depthMap,
                                                  const Frame<ElementColor>& textureMask,
                                                  const DeviceIntri& intri,
                                                  Frame<ElementPointXYZBGR>& pointCloud) {
    return imaging::getCloudFromTextureMask(depthMap, textureMask, intri, pointCloud);
}

// --- Capture settings ---

// --- User sets ---

}  // namespace api
}  // namespace norvik
