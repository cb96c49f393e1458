// Captures from two cameras at the same time, one thread per camera.
//   quorix_two_cameras ADDRESS1 PORT1 ADDRESS2 PORT2
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

#include <quorix/QuorixDevice.h>

using namespace norvik::api;

namespace {

std::mutex printMutex;  // keeps the two threads' lines whole

void captureFrom(const std::string& address, int port, int frames) {
    // Each thread owns its device: devices are independent of each other.
    QuorixDevice device;
    ErrorStatus status = device.connect(address, port);
    for (int i = 0; status.isOk() && i < frames; ++i) {
        Frame<ElementPointXYZ> cloud;
        status = device.capturePointXYZMap(cloud);
        std::lock_guard<std::mutex> lock(printMutex);
        if (status.isOk())
            std::cout << address << ":" << port << " frame " << i + 1 << ": " << cloud.width() << " x "
                      << cloud.height() << "\n";
    }
    if (!status.isOk()) {
        std::lock_guard<std::mutex> lock(printMutex);
        std::cerr << address << ":" << port << ": " << status.message << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::cerr << "usage: " << argv[0] << " ADDRESS1 PORT1 ADDRESS2 PORT2\n";
        return 2;
    }
    std::thread first(captureFrom, std::string(argv[1]), std::atoi(argv[2]), 3);
    std::thread second(captureFrom, std::string(argv[3]), std::atoi(argv[4]), 3);
    first.join();
    second.join();
    return 0;
}
