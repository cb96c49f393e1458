// Captures one frame (a 2D image and a depth map) and saves everything derived from it through the export
// library: the 2D image, the depth map, and the point cloud and coloured point cloud computed on the host,
// so that all four files show the same instant.
//   quorix_capture_and_save ADDRESS PORT [NAME]   (writes NAME-color.png, NAME-depth.tiff, NAME.ply,
//   NAME.pcd)
#include <cstdlib>
#include <iostream>

#include <quorix/QuorixDevice.h>
#include <quorix/QuorixExport.h>

using namespace norvik::api;
namespace files = norvik::files;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " ADDRESS PORT [NAME]\n";
        return 2;
    }
    const std::string name = argc > 3 ? argv[3] : "frame";

    QuorixDevice device;
    ErrorStatus status = device.connect(argv[1], std::atoi(argv[2]));
    DeviceIntri intri;
    if (status.isOk()) status = device.getDeviceIntri(intri);
    if (!status.isOk()) {
        std::cerr << "Connect failed: " << status.message << "\n";
        return 1;
    }

    Frame<ElementColor> color;
    Frame<ElementDepth> depth;
    status = device.captureColorMap(color);
    if (status.isOk()) status = device.captureDepthMap(depth);
    if (!status.isOk()) {
        std::cerr << "Capture failed: " << status.message << "\n";
        return 1;
    }
    // Points in millimetres, one per depth pixel; the files keep the measured ones.
    Frame<ElementPointXYZ> cloud;
    Frame<ElementPointXYZBGR> colored;
    status = QuorixDevice::computePointXYZMap(depth, intri, cloud);
    if (status.isOk()) status = QuorixDevice::computePointXYZBGRMap(depth, color, intri, colored);
    if (!status.isOk()) {
        std::cerr << "Point cloud failed: " << status.message << "\n";
        return 1;
    }

    for (const files::FileResult& written :
         {files::writeColorPng(name + "-color.png", color),
          files::writeDepthTiff(name + "-depth.tiff", depth), files::writePly(name + ".ply", colored),
          files::writePcd(name + ".pcd", cloud)}) {
        if (!written.ok()) {
            std::cerr << written.error << "\n";
            return 1;
        }
    }
    std::cout << "Wrote " << name << "-color.png, " << name << "-depth.tiff, " << name << ".ply and " << name
              << ".pcd\n";
    return 0;
}
