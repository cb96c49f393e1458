// Finds the cameras on the network and connects to the first one found.
//   quorix_discover_and_connect
#include <iostream>

#include <quorix/QuorixDevice.h>

using namespace norvik::api;

int main() {
    // Listens for the cameras' announcements (UDP port 45454) until none new is heard for 3 seconds.
    std::vector<QuorixDeviceInfo> cameras;
    try {
        cameras = QuorixDevice::enumerateQuorixDeviceList();
    } catch (const std::exception& e) {
        std::cerr << "Cannot listen for cameras: " << e.what() << "\n";
        return 1;
    }
    for (const QuorixDeviceInfo& info : cameras)
        std::cout << info.id << "  " << info.model << "  " << info.ipAddress << ":" << info.port << "\n";
    if (cameras.empty()) {
        std::cerr << "No camera found.\n";
        return 1;
    }

    // Every operation returns an ErrorStatus: check isOk() and show the message otherwise.
    QuorixDevice device;
    ErrorStatus status = device.connect(cameras.front());
    if (!status.isOk()) {
        std::cerr << "Connect failed: " << status.message << " (" << status.code << ")\n";
        return 1;
    }
    DeviceResolution size;
    device.getDeviceResolution(size);
    std::cout << "Connected; depth maps are " << size.image3DWidth << " x " << size.image3DHeight << "\n";
    return 0;  // the device disconnects when it is destroyed
}
