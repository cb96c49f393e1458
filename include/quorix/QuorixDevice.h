#pragma once

// The whole public interface of the Quorix camera library: one device class, its records and the
// version banner.

#include <memory>
#include <string>
#include <vector>

#include "quorix/Export.h"
#include "quorix/Frame.h"
#include "quorix/Types.h"

// (settings header)

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
    // wait for every reply on this connection, in milliseconds. Cameras with firmware older than 2.0.2 are
    // refused with UnsupportedFirmware.
    ErrorStatus connect(const std::string& ipAddress, int port, int timeout = 5000);
    // The same for a record found by enumerateQuorixDeviceList.
    ErrorStatus connect(const QuorixDeviceInfo& info, int timeout = 5000);
    void disconnect();

    ErrorStatus getDeviceInfo(QuorixDeviceInfo& info) const;
    ErrorStatus getDeviceIntri(DeviceIntri& intri) const;
    ErrorStatus getDeviceResolution(DeviceResolution& resolution) const;

    // --- Discovery ---

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

    // --- User sets ---

private:
    std::unique_ptr<QuorixDeviceImpl> impl_;
};

// "Quorix API V<version> <build date>. <notice>" — informative only.
QUORIX_API std::string getApiInformation();

}  // namespace api
}  // namespace norvik
