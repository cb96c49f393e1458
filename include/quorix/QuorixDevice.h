#pragma once

// The whole public interface of the Quorix camera library: one device class, its records and the
// version banner.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quorix/Export.h"
#include "quorix/Frame.h"
#include "quorix/Types.h"

#include "quorix/SettingCatalogue.h"
#include "quorix/Settings.h"

namespace norvik {
namespace api {

class QuorixDeviceImpl;

// One camera. Create it, connect it, call its operations, destroy it. Exchanges of one device are
// serialised internally, so several threads may share a device; connect, disconnect and destruction must
// not overlap with other calls on the same device.
class QUORIX_API QuorixDevice {
public:
    QuorixDevice();
    ~QuorixDevice();

    QuorixDevice(const QuorixDevice&) = delete;
    QuorixDevice& operator=(const QuorixDevice&) = delete;
    QuorixDevice(QuorixDevice&&) = delete;
    QuorixDevice& operator=(QuorixDevice&&) = delete;

    // --- Connection and identity ---

    // Connects to the camera at ipAddress:port and reads its identity and calibration. timeout bounds the
    // wait for every reply on this connection, in milliseconds; 0 does not wait at all (so no reply can
    // arrive and connect fails), and a negative value waits without limit. Cameras with firmware older than
    // 2.0 are refused with UnsupportedFirmware (major and minor numbers are compared, not the patch number).
    ErrorStatus connect(const std::string& ipAddress, int port, int timeout = 5000);
    // The same for a record found by enumerateQuorixDeviceList.
    ErrorStatus connect(const QuorixDeviceInfo& info, int timeout = 5000);
    void disconnect();

    ErrorStatus getDeviceInfo(QuorixDeviceInfo& info) const;
    ErrorStatus getDeviceIntri(DeviceIntri& intri) const;
    ErrorStatus getDeviceResolution(DeviceResolution& resolution) const;

    // --- Discovery ---

    // Listens for the cameras' announcements on UDP port 45454 until no new camera has been heard for 3000 ms
    // (so it blocks for at least that long) and returns one record per camera, ordered by sender. Throws
    // std::runtime_error when the listening socket cannot be created. Two limits hold against a flood of
    // announcements: listening ends at the latest 15 s after it started, and at most 1,024 senders are
    // kept (further ones are dropped, with one line on standard error).
    static std::vector<QuorixDeviceInfo> enumerateQuorixDeviceList();
    // The same with a listening window of quietMs milliseconds (at least 1) instead of 3000.
    static std::vector<QuorixDeviceInfo> enumerateQuorixDeviceList(int quietMs);

    // --- Capture and point clouds ---

    // Each capture fills the host's frame, reusing its array when the size is unchanged. A failed capture
    // leaves the frame empty (released).
    ErrorStatus captureColorMap(Frame<ElementColor>& colorMap) const;
    // Depths in millimetres, 0 where the camera measured nothing.
    ErrorStatus captureDepthMap(Frame<ElementDepth>& depthMap) const;
    // Points in millimetres in the depth camera's frame, one per depth pixel.
    ErrorStatus capturePointXYZMap(Frame<ElementPointXYZ>& pointCloud) const;
    // The same, each point coloured from the 2D image.
    ErrorStatus capturePointXYZBGRMap(Frame<ElementPointXYZBGR>& pointCloud) const;
    // The point cloud of a depth map the host holds (from captureDepthMap, or read from a file), with the
    // calibration from getDeviceIntri: for the same depth map and calibration, bit for bit what
    // capturePointXYZMap gives, through the same parallel loops. Runs without a camera. EmptyInput when
    // depthMap is empty and InvalidIntrinsics when the depth camera's fx or fy is zero, leaving pointCloud
    // as it was; otherwise pointCloud takes the depth map's size and every element is written.
    static ErrorStatus computePointXYZMap(const Frame<ElementDepth>& depthMap, const DeviceIntri& intri,
                                          Frame<ElementPointXYZ>& pointCloud);
    // The same, each point coloured from colorMap (from captureColorMap) as capturePointXYZBGRMap colours
    // it; EmptyInput when colorMap is empty as well. Together with captureColorMap and captureDepthMap this
    // gives the 2D image, the depth map and both clouds of one instant from two captures.
    static ErrorStatus computePointXYZBGRMap(const Frame<ElementDepth>& depthMap,
                                             const Frame<ElementColor>& colorMap, const DeviceIntri& intri,
                                             Frame<ElementPointXYZBGR>& pointCloud);
    // A cloud of the points of depthMap whose pixel in textureMask (a 2D image) is not black; the other
    // points are zero. Runs on the calling thread without a camera.
    static ErrorStatus getCloudFromTextureMask(const Frame<ElementDepth>& depthMap,
                                               const Frame<ElementColor>& textureMask,
                                               const DeviceIntri& intri, Frame<ElementPointXYZ>& pointCloud);
    static ErrorStatus getCloudFromTextureMask(const Frame<ElementDepth>& depthMap,
                                               const Frame<ElementColor>& textureMask,
                                               const DeviceIntri& intri,
                                               Frame<ElementPointXYZBGR>& pointCloud);

    // --- Capture settings ---

    // Every setter checks the model and its value's range before anything is sent (WriteError with the
    // reason), then writes the camera at once. A refused model makes a getter answer UnsupportedModel and
    // leave its output as it was. A getter whose read fails writes 0 (0.0, false) to its output, except the
    // three projector getters, which leave it as it was.

    ErrorStatus getScan2DExposureMode(Scanning2DSettings::Scan2DExposureMode& mode) const;
    // Flash is refused on the models without flash exposure.
    ErrorStatus setScan2DExposureMode(Scanning2DSettings::Scan2DExposureMode mode) const;
    ErrorStatus getScan2DExposureTime(double& milliseconds) const;
    ErrorStatus setScan2DExposureTime(double milliseconds) const;  // 0.1 to 999
    ErrorStatus getScan2DExpectedGrayValue(int& value) const;
    ErrorStatus setScan2DExpectedGrayValue(int value) const;  // 0 to 255
    ErrorStatus getScan2DToneMappingEnable(bool& enabled) const;
    ErrorStatus setScan2DToneMappingEnable(bool enabled) const;
    ErrorStatus getScan2DSharpenFactor(double& factor) const;
    ErrorStatus setScan2DSharpenFactor(double factor) const;  // 0 to 5
    ErrorStatus getScan3DGain(double& gain) const;
    ErrorStatus setScan3DGain(double gain) const;  // 0 to 16
    ErrorStatus getFringeContrastThreshold(int& threshold) const;
    ErrorStatus setFringeContrastThreshold(int threshold) const;  // 1 to 100
    ErrorStatus getFringeMinThreshold(int& threshold) const;
    ErrorStatus setFringeMinThreshold(int threshold) const;  // 1 to 100
    ErrorStatus getCloudOutlierFilterMode(PointCloudProcessingSettings::CloudOutlierFilterMode& mode) const;
    ErrorStatus setCloudOutlierFilterMode(PointCloudProcessingSettings::CloudOutlierFilterMode mode) const;
    ErrorStatus getCloudSmoothMode(PointCloudProcessingSettings::CloudSmoothMode& mode) const;
    ErrorStatus setCloudSmoothMode(PointCloudProcessingSettings::CloudSmoothMode mode) const;
    // ZIKA and VEX series.
    ErrorStatus getProjectorFringeCodingMode(ProjectorSettings::FringeCodingMode& mode) const;
    ErrorStatus setProjectorFringeCodingMode(ProjectorSettings::FringeCodingMode mode) const;
    // ZIKA, TAV and VEX series.
    ErrorStatus getProjectorPowerLevel(ProjectorSettings::PowerLevel& level) const;
    ErrorStatus setProjectorPowerLevel(ProjectorSettings::PowerLevel level) const;
    // ZIKA and VEX series, VEX XS excepted.
    ErrorStatus getProjectorAntiFlickerMode(ProjectorSettings::AntiFlickerMode& mode) const;
    ErrorStatus setProjectorAntiFlickerMode(ProjectorSettings::AntiFlickerMode mode) const;

    // Regions of interest of the 2D and of the depth image. A setter first reads the image sizes and
    // refuses a region that does not fit in the image. A failed read sets all four fields to 0.
    ErrorStatus getScan2DROI(ROI& roi) const;
    ErrorStatus setScan2DROI(const ROI& roi) const;
    ErrorStatus getScan3DROI(ROI& roi) const;
    ErrorStatus setScan3DROI(const ROI& roi) const;

    // A failed read of a limit writes 0 to it; the result is that of the upper limit's read.
    ErrorStatus getDepthRange(DepthRange& range) const;
    ErrorStatus setDepthRange(const DepthRange& range) const;

    // One to three 3D exposure times, 0.1 to 99 ms each. A setter that fails part-way leaves the values
    // sent before the failure written on the camera.
    ErrorStatus getScan3DExposure(std::vector<double>& milliseconds) const;
    ErrorStatus setScan3DExposure(const std::vector<double>& milliseconds) const;

    // One to five 2D HDR exposure times, 0.1 to 999 ms each, kept by the camera with four significant
    // digits. The list is not modified by the setter; the getter clears it first.
    ErrorStatus getScan2DHDRExposureSequence(std::vector<double>& milliseconds) const;
    ErrorStatus setScan2DHDRExposureSequence(std::vector<double>& milliseconds) const;

    // Laser-projector models (Orra and ORX series, MIRR). The frame range may read back one step narrower
    // than it was written, by the camera's rounding.
    ErrorStatus getLaserSettings(LaserSettings& laser) const;
    ErrorStatus setLaserSettings(const LaserSettings& laser) const;

    // VELA model.
    ErrorStatus getVelaSettings(VelaSettings& vela) const;
    ErrorStatus setVelaSettings(VelaSettings vela) const;
    ErrorStatus getVelaCaptureMode(VelaSettings::VelaCaptureMode& mode) const;
    ErrorStatus setVelaCaptureMode(VelaSettings::VelaCaptureMode mode) const;
    ErrorStatus getVelaFringeCodingMode(VelaSettings::VelaFringeCodingMode& mode) const;
    ErrorStatus setVelaFringeCodingMode(VelaSettings::VelaFringeCodingMode mode) const;

    // --- Describing and reaching settings by name ---

    // Every capture setting, described once (quorix/SettingCatalogue.h), in an order that groups related
    // settings. The same for the program's whole life; safe from any thread.
    static const std::vector<SettingDescription>& settingCatalogue();
    // The settings a camera of this model (QuorixDeviceInfo::model) has.
    static std::vector<SettingDescription> settingCatalogue(const std::string& model);
    // The settings the connected camera has. InvalidDevice, and descriptions left as they were, when the
    // device is not connected.
    ErrorStatus getSettingCatalogue(std::vector<SettingDescription>& descriptions) const;

    // Any setting by its name, its value written as numbers (quorix/SettingCatalogue.h). These run the
    // typed getter or setter of the setting, with the same checks, messages and read-failure values. An
    // unknown name is refused with ReadError (get) or WriteError (set and check); so is, for set and check,
    // a value of the wrong count, a fraction for an integer, or a number that is not an enumerator.
    ErrorStatus getSetting(const std::string& name, std::vector<double>& values) const;
    ErrorStatus setSetting(const std::string& name, const std::vector<double>& values) const;
    // Everything setSetting checks before it sends (the model, then the value; a region reads the image
    // sizes), without sending anything: Success when setSetting would send the value.
    ErrorStatus checkSetting(const std::string& name, const std::vector<double>& values) const;

    // --- Diagnostics ---

    // The library reports what cannot go into an ErrorStatus (a failed send or receive, a discovery port it
    // could not bind, an unreadable announcement) as diagnostic lines. By default each is printed with a
    // newline: transport failures on standard output, unreadable announcements on standard error. An
    // installed handler receives each diagnostic's text instead (without the final newline; a failure with
    // a system error code carries it on a second line, e.g. "UDP Bind error.\n98"). The handler applies to
    // the whole process; it is called on the thread that reports, possibly on several threads at once, and
    // what it throws is ignored. An empty handler restores the default. Safe from any thread.
    static void setDiagnosticHandler(std::function<void(const std::string&)> handler);

    // --- User sets ---

    // Named groups of settings stored on the camera; one is current. On a device that is not connected the
    // outputs are left as they were; after a failed read they are empty.

    // Adds the set and makes it current. An empty name is refused.
    ErrorStatus addUserSet(const std::string& name) const;
    ErrorStatus deleteUserSet(const std::string& name) const;
    ErrorStatus setCurrentUserSet(const std::string& name) const;
    ErrorStatus getCurrentUserSet(std::string& name) const;
    ErrorStatus getAllUserSets(std::vector<std::string>& names) const;
    // Makes the camera's current settings persistent.
    ErrorStatus saveAllSettingsToUserSets() const;

private:
    std::unique_ptr<QuorixDeviceImpl> impl_;
};

// "Quorix API V<version> <build date>. <notice>" — informative only.
QUORIX_API std::string getApiInformation();

}  // namespace api
}  // namespace norvik
