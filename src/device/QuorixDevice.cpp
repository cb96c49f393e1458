// The exported class: every method forwards to the implementation object or to its subsystem.

#include "quorix/QuorixDevice.h"

#include "device/device_impl.h"
#include "device/device_list.h"
#include "device/setting_access.h"
#include "device/setting_descriptions.h"
#include "device/settings_bridge.h"
#include "imaging/captures.h"
#include "imaging/held_depth_cloud.h"
#include "imaging/texture_mask.h"
#include "settings/depth_range.h"
#include "settings/exposure_3d.h"
#include "settings/hdr_sequence.h"
#include "settings/laser_settings.h"
#include "settings/roi.h"
#include "settings/scalar_settings.h"
#include "settings/user_sets.h"
#include "settings/vela_settings.h"
#include "transport/diagnostics.h"

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

std::vector<QuorixDeviceInfo> QuorixDevice::enumerateQuorixDeviceList() {
    return device::enumerateDeviceList();
}

std::vector<QuorixDeviceInfo> QuorixDevice::enumerateQuorixDeviceList(int quietMs) {
    return device::enumerateDeviceList(quietMs);
}

// --- Capture and point clouds ---

ErrorStatus QuorixDevice::captureColorMap(Frame<ElementColor>& colorMap) const {
    return imaging::captureColorMap(impl_->channel(), colorMap);
}

ErrorStatus QuorixDevice::captureDepthMap(Frame<ElementDepth>& depthMap) const {
    return imaging::captureDepthMap(impl_->channel(), depthMap);
}

ErrorStatus QuorixDevice::capturePointXYZMap(Frame<ElementPointXYZ>& pointCloud) const {
    return impl_->capturePointXYZMap(pointCloud);
}

ErrorStatus QuorixDevice::capturePointXYZBGRMap(Frame<ElementPointXYZBGR>& pointCloud) const {
    return impl_->capturePointXYZBGRMap(pointCloud);
}

ErrorStatus QuorixDevice::computePointXYZMap(const Frame<ElementDepth>& depthMap, const DeviceIntri& intri,
                                             Frame<ElementPointXYZ>& pointCloud) {
    return imaging::cloudFromDepthMap(depthMap, intri, pointCloud);
}

ErrorStatus QuorixDevice::computePointXYZBGRMap(const Frame<ElementDepth>& depthMap,
                                                const Frame<ElementColor>& colorMap, const DeviceIntri& intri,
                                                Frame<ElementPointXYZBGR>& pointCloud) {
    return imaging::cloudFromDepthMap(depthMap, colorMap, intri, pointCloud);
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

ErrorStatus QuorixDevice::getScan2DExposureMode(Scanning2DSettings::Scan2DExposureMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kScan2DExposureMode, mode);
}
ErrorStatus QuorixDevice::setScan2DExposureMode(Scanning2DSettings::Scan2DExposureMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kScan2DExposureMode, mode);
}
ErrorStatus QuorixDevice::getScan2DExposureTime(double& milliseconds) const {
    return device::readSetting(*impl_, settings::scalars::kScan2DExposureTime, milliseconds);
}
ErrorStatus QuorixDevice::setScan2DExposureTime(double milliseconds) const {
    return device::writeSetting(*impl_, settings::scalars::kScan2DExposureTime, milliseconds);
}
ErrorStatus QuorixDevice::getScan2DExpectedGrayValue(int& value) const {
    return device::readSetting(*impl_, settings::scalars::kScan2DExpectedGrayValue, value);
}
ErrorStatus QuorixDevice::setScan2DExpectedGrayValue(int value) const {
    return device::writeSetting(*impl_, settings::scalars::kScan2DExpectedGrayValue, value);
}
ErrorStatus QuorixDevice::getScan2DToneMappingEnable(bool& enabled) const {
    return device::readSetting(*impl_, settings::scalars::kScan2DToneMappingEnable, enabled);
}
ErrorStatus QuorixDevice::setScan2DToneMappingEnable(bool enabled) const {
    return device::writeSetting(*impl_, settings::scalars::kScan2DToneMappingEnable, enabled);
}
ErrorStatus QuorixDevice::getScan2DSharpenFactor(double& factor) const {
    return device::readSetting(*impl_, settings::scalars::kScan2DSharpenFactor, factor);
}
ErrorStatus QuorixDevice::setScan2DSharpenFactor(double factor) const {
    return device::writeSetting(*impl_, settings::scalars::kScan2DSharpenFactor, factor);
}
ErrorStatus QuorixDevice::getScan3DGain(double& gain) const {
    return device::readSetting(*impl_, settings::scalars::kScan3DGain, gain);
}
ErrorStatus QuorixDevice::setScan3DGain(double gain) const {
    return device::writeSetting(*impl_, settings::scalars::kScan3DGain, gain);
}
ErrorStatus QuorixDevice::getFringeContrastThreshold(int& threshold) const {
    return device::readSetting(*impl_, settings::scalars::kFringeContrastThreshold, threshold);
}
ErrorStatus QuorixDevice::setFringeContrastThreshold(int threshold) const {
    return device::writeSetting(*impl_, settings::scalars::kFringeContrastThreshold, threshold);
}
ErrorStatus QuorixDevice::getFringeMinThreshold(int& threshold) const {
    return device::readSetting(*impl_, settings::scalars::kFringeMinThreshold, threshold);
}
ErrorStatus QuorixDevice::setFringeMinThreshold(int threshold) const {
    return device::writeSetting(*impl_, settings::scalars::kFringeMinThreshold, threshold);
}
ErrorStatus QuorixDevice::getCloudOutlierFilterMode(
    PointCloudProcessingSettings::CloudOutlierFilterMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kCloudOutlierFilterMode, mode);
}
ErrorStatus QuorixDevice::setCloudOutlierFilterMode(
    PointCloudProcessingSettings::CloudOutlierFilterMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kCloudOutlierFilterMode, mode);
}
ErrorStatus QuorixDevice::getCloudSmoothMode(PointCloudProcessingSettings::CloudSmoothMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kCloudSmoothMode, mode);
}
ErrorStatus QuorixDevice::setCloudSmoothMode(PointCloudProcessingSettings::CloudSmoothMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kCloudSmoothMode, mode);
}
ErrorStatus QuorixDevice::getProjectorFringeCodingMode(ProjectorSettings::FringeCodingMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kProjectorFringeCodingMode, mode);
}
ErrorStatus QuorixDevice::setProjectorFringeCodingMode(ProjectorSettings::FringeCodingMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kProjectorFringeCodingMode, mode);
}
ErrorStatus QuorixDevice::getProjectorPowerLevel(ProjectorSettings::PowerLevel& level) const {
    return device::readSetting(*impl_, settings::scalars::kProjectorPowerLevel, level);
}
ErrorStatus QuorixDevice::setProjectorPowerLevel(ProjectorSettings::PowerLevel level) const {
    return device::writeSetting(*impl_, settings::scalars::kProjectorPowerLevel, level);
}
ErrorStatus QuorixDevice::getProjectorAntiFlickerMode(ProjectorSettings::AntiFlickerMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kProjectorAntiFlickerMode, mode);
}
ErrorStatus QuorixDevice::setProjectorAntiFlickerMode(ProjectorSettings::AntiFlickerMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kProjectorAntiFlickerMode, mode);
}
ErrorStatus QuorixDevice::getVelaCaptureMode(VelaSettings::VelaCaptureMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kVelaCaptureMode, mode);
}
ErrorStatus QuorixDevice::setVelaCaptureMode(VelaSettings::VelaCaptureMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kVelaCaptureMode, mode);
}
ErrorStatus QuorixDevice::getVelaFringeCodingMode(VelaSettings::VelaFringeCodingMode& mode) const {
    return device::readSetting(*impl_, settings::scalars::kVelaFringeCodingMode, mode);
}
ErrorStatus QuorixDevice::setVelaFringeCodingMode(VelaSettings::VelaFringeCodingMode mode) const {
    return device::writeSetting(*impl_, settings::scalars::kVelaFringeCodingMode, mode);
}
ErrorStatus QuorixDevice::getScan2DROI(ROI& roi) const {
    return settings::getRoi(impl_->channel(), settings::kScan2DRoi, roi);
}
ErrorStatus QuorixDevice::setScan2DROI(const ROI& roi) const {
    return settings::setRoi(impl_->channel(), settings::kScan2DRoi, device::imageSizes(*impl_), roi);
}
ErrorStatus QuorixDevice::getScan3DROI(ROI& roi) const {
    return settings::getRoi(impl_->channel(), settings::kScan3DRoi, roi);
}
ErrorStatus QuorixDevice::setScan3DROI(const ROI& roi) const {
    return settings::setRoi(impl_->channel(), settings::kScan3DRoi, device::imageSizes(*impl_), roi);
}
ErrorStatus QuorixDevice::getDepthRange(DepthRange& range) const {
    return settings::getDepthRange(impl_->channel(), range);
}
ErrorStatus QuorixDevice::setDepthRange(const DepthRange& range) const {
    return settings::setDepthRange(impl_->channel(), range);
}
ErrorStatus QuorixDevice::getScan3DExposure(std::vector<double>& milliseconds) const {
    return settings::getScan3DExposure(impl_->channel(), milliseconds);
}
ErrorStatus QuorixDevice::setScan3DExposure(const std::vector<double>& milliseconds) const {
    return settings::setScan3DExposure(impl_->channel(), milliseconds);
}
ErrorStatus QuorixDevice::getScan2DHDRExposureSequence(std::vector<double>& milliseconds) const {
    return settings::getScan2DHDRExposureSequence(impl_->channel(), milliseconds);
}
ErrorStatus QuorixDevice::setScan2DHDRExposureSequence(std::vector<double>& milliseconds) const {
    return settings::setScan2DHDRExposureSequence(impl_->channel(), milliseconds);
}
ErrorStatus QuorixDevice::getLaserSettings(LaserSettings& laser) const {
    return device::gated(*impl_, settings::rows::kLaserSettings.gate, settings::Access::Read,
                         settings::getLaserSettings, laser);
}
ErrorStatus QuorixDevice::setLaserSettings(const LaserSettings& laser) const {
    return device::gated(*impl_, settings::rows::kLaserSettings.gate, settings::Access::Write,
                         settings::setLaserSettings, laser);
}
ErrorStatus QuorixDevice::getVelaSettings(VelaSettings& vela) const {
    return device::gated(*impl_, settings::rows::kVelaCaptureMode.gate, settings::Access::Read,
                         settings::getVelaSettings, vela);
}
ErrorStatus QuorixDevice::setVelaSettings(VelaSettings vela) const {
    return device::gated(*impl_, settings::rows::kVelaCaptureMode.gate, settings::Access::Write,
                         settings::setVelaSettings, vela);
}

// --- Describing and reaching settings by name ---

const std::vector<SettingDescription>& QuorixDevice::settingCatalogue() {
    return device::settingDescriptions();
}

std::vector<SettingDescription> QuorixDevice::settingCatalogue(const std::string& model) {
    return device::settingDescriptionsFor(model);
}

ErrorStatus QuorixDevice::getSettingCatalogue(std::vector<SettingDescription>& descriptions) const {
    if (auto status = impl_->channel().connectionGuard(); !status.isOk()) return status;
    descriptions = device::settingDescriptionsFor(impl_->cachedInfo().model);
    return {};
}

ErrorStatus QuorixDevice::getSetting(const std::string& name, std::vector<double>& values) const {
    return device::getSettingByName(*this, name, values);
}

ErrorStatus QuorixDevice::setSetting(const std::string& name, const std::vector<double>& values) const {
    return device::setSettingByName(*this, *impl_, name, values);
}

ErrorStatus QuorixDevice::checkSetting(const std::string& name, const std::vector<double>& values) const {
    return device::checkSettingByName(*impl_, name, values);
}

// --- Diagnostics ---

void QuorixDevice::setDiagnosticHandler(std::function<void(const std::string&)> handler) {
    transport::setDiagnosticHandler(std::move(handler));
}

// --- User sets ---

ErrorStatus QuorixDevice::addUserSet(const std::string& name) const {
    return settings::addUserSet(impl_->channel(), name);
}
ErrorStatus QuorixDevice::deleteUserSet(const std::string& name) const {
    return settings::deleteUserSet(impl_->channel(), name);
}
ErrorStatus QuorixDevice::setCurrentUserSet(const std::string& name) const {
    return settings::setCurrentUserSet(impl_->channel(), name);
}
ErrorStatus QuorixDevice::getCurrentUserSet(std::string& name) const {
    return settings::getCurrentUserSet(impl_->channel(), name);
}
ErrorStatus QuorixDevice::getAllUserSets(std::vector<std::string>& names) const {
    return settings::getAllUserSets(impl_->channel(), names);
}
ErrorStatus QuorixDevice::saveAllSettingsToUserSets() const {
    return settings::saveAllSettingsToUserSets(impl_->channel());
}

}  // namespace api
}  // namespace norvik
