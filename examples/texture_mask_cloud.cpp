// Keeps only the points whose pixel in a mask of the 2D image is not black. Here the mask is made from the
// 2D image itself (its bright pixels); in a cell it often comes from an image-processing step.
//   quorix_texture_mask_cloud ADDRESS PORT
#include <cstdlib>
#include <iostream>

#include <quorix/QuorixDevice.h>

using namespace norvik::api;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: " << argv[0] << " ADDRESS PORT\n";
        return 2;
    }
    QuorixDevice device;
    ErrorStatus status = device.connect(argv[1], std::atoi(argv[2]));
    Frame<ElementColor> image;
    Frame<ElementDepth> depth;
    DeviceIntri intri;
    if (status.isOk()) status = device.captureColorMap(image);
    if (status.isOk()) status = device.captureDepthMap(depth);
    if (status.isOk()) status = device.getDeviceIntri(intri);
    if (!status.isOk()) {
        std::cerr << "Failed: " << status.message << "\n";
        return 1;
    }

    // The mask has the 2D image's size: white keeps a point, black drops it.
    Frame<ElementColor> mask;
    mask.resize(image.width(), image.height());
    for (std::size_t i = 0; i < static_cast<std::size_t>(image.width()) * image.height(); ++i) {
        const ElementColor& p = image[i];
        const bool bright = p.r + p.g + p.b > 3 * 150;
        mask[i] = bright ? ElementColor{255, 255, 255} : ElementColor{0, 0, 0};
    }

    // Runs on the host without the camera; the calibration maps depth pixels into the 2D image.
    Frame<ElementPointXYZ> cloud;
    status = QuorixDevice::getCloudFromTextureMask(depth, mask, intri, cloud);
    if (!status.isOk()) {
        std::cerr << "Mask cloud failed: " << status.message << "\n";
        return 1;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(cloud.width()) * cloud.height(); ++i)
        kept += cloud[i].z > 0 ? 1 : 0;
    std::cout << kept << " points under the bright parts of the image\n";
    return 0;
}
