#pragma once

// What a camera model's code implies for the virtual camera: image sizes, a gray 2D imager, refused modes.

#include "virtualcam/virtual_camera.h"

namespace quorix {
namespace virtualcam {

struct ModelTraits {
    ImageSize colorSize;
    ImageSize depthSize;
    bool grayColor = false;  // the 2D imager is monochrome
    bool hasFlash = true;    // Scan2DExposureMode Flash is available
    bool isVela = false;     // capture mode may change the depth calibration
};

ModelTraits traitsOf(int modelCode);

// The options' sizes where given, else the model's.
ImageSize effectiveColorSize(const Options& options);
ImageSize effectiveDepthSize(const Options& options);

}  // namespace virtualcam
}  // namespace quorix
