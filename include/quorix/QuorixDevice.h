#pragma once

// The whole public interface of the Quorix camera library: one device class, its records and the
// version banner.

#include <memory>
#include <string>
#include <vector>

#include "quorix/Export.h"
#include "quorix/Types.h"
// (frame header)

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

    // Listens for the cameras' announcements on UDP port 45454 until no new camera has been heard for 3000 ms
    // (so it blocks for at least that long) and returns one record per camera, ordered by sender. Throws
    // std::runtime_error when the listening socket cannot be created.
    static std::vector<QuorixDeviceInfo> enumerateQuorixDeviceList();

    // --- Capture and point clouds ---

    // --- Capture settings ---

    // --- User sets ---

  private:
    std::unique_ptr<QuorixDeviceImpl> impl_;
};

// "Quorix API V<version> <build date>. <notice>" — informative only.
QUORIX_API std::string getApiInformation();

}  // namespace api
}  // namespace norvik
