// Captures a coloured point cloud and saves it as an ASCII PLY file that point-cloud viewers open.
//   quorix_capture_and_save ADDRESS PORT [FILE]
#include <cstdlib>
#include <fstream>
#include <iostream>

#include <quorix/QuorixDevice.h>

using namespace norvik::api;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " ADDRESS PORT [FILE]\n";
        return 2;
    }
    const std::string file = argc > 3 ? argv[3] : "cloud.ply";

    QuorixDevice device;
    ErrorStatus status = device.connect(argv[1], std::atoi(argv[2]));
    if (!status.isOk()) {
        std::cerr << "Connect failed: " << status.message << "\n";
        return 1;
    }

    // One point per depth pixel, in millimetres; pixels without a measurement have z = 0.
    Frame<ElementPointXYZBGR> cloud;
    status = device.capturePointXYZBGRMap(cloud);
    if (!status.isOk()) {
        std::cerr << "Capture failed: " << status.message << "\n";
        return 1;
    }

    std::size_t measured = 0;
    const std::size_t count = static_cast<std::size_t>(cloud.width()) * cloud.height();
    for (std::size_t i = 0; i < count; ++i) measured += cloud[i].z > 0 ? 1 : 0;

    std::ofstream out(file);
    out << "ply\nformat ascii 1.0\nelement vertex " << measured << "\n"
        << "property float x\nproperty float y\nproperty float z\n"
        << "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
    for (std::size_t i = 0; i < count; ++i) {
        const ElementPointXYZBGR& p = cloud[i];
        if (p.z > 0)
            out << p.x << ' ' << p.y << ' ' << p.z << ' ' << int(p.r) << ' ' << int(p.g) << ' ' << int(p.b)
                << '\n';
    }
    std::cout << "Wrote " << measured << " points to " << file << "\n";
    return out ? 0 : 1;
}
