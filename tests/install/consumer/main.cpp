#include <iostream>

#include <quorix/QuorixDevice.h>

int main() {
    norvik::api::QuorixDevice device;
    norvik::api::QuorixDeviceInfo info;
    const auto status = device.getDeviceInfo(info);  // never connected: refused locally
    if (status.code != norvik::api::InvalidDevice) return 1;
    std::cout << norvik::api::getApiInformation() << std::endl;
    return 0;
}
