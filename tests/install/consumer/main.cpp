#include <iostream>

#include <quorix/QuorixDevice.h>
#include <quorix/QuorixExport.h>

// Uses both installed libraries: the device (never connected) and the export library (a one-point cloud
// written to the file named by the first argument).
int main(int argc, char** argv) {
    norvik::api::QuorixDevice device;
    norvik::api::QuorixDeviceInfo info;
    const auto status = device.getDeviceInfo(info);  // never connected: refused locally
    if (status.code != norvik::api::InvalidDevice) return 1;
    if (argc > 1) {
        norvik::api::Frame<norvik::api::ElementPointXYZ> cloud;
        cloud.resize(1, 1);
        cloud[0] = {1, 2, 3};
        const norvik::files::FileResult written = norvik::files::writeCloud(argv[1], cloud);
        if (!written.ok()) {
            std::cerr << written.error << std::endl;
            return 1;
        }
    }
    std::cout << norvik::api::getApiInformation() << std::endl;
    return 0;
}
