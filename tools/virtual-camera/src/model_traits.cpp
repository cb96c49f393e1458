#include "model_traits.h"

namespace quorix {
namespace virtualcam {

namespace {

constexpr ImageSize kLarge{1920, 1200};
constexpr ImageSize kMedium{1280, 1024};

bool isOneOf(int code, std::initializer_list<int> codes) {
    for (int c : codes)
        if (c == code) return true;
    return false;
}

}  // namespace

ModelTraits traitsOf(int modelCode) {
    ModelTraits traits;
    // Laser line models (ORX, MIRR) carry a monochrome 2D imager and no flash.
    const bool laserMono = isOneOf(modelCode, {9, 10, 11});
    // Structured-light VEX/ZIKA/TAV family: one large sensor for both images.
    const bool largeBoth = isOneOf(modelCode, {0, 2, 3, 7, 12, 13, 14, 100, 107});
    if (laserMono || isOneOf(modelCode, {4, 104})) {
        traits.colorSize = kMedium;
        traits.depthSize = kMedium;
    } else if (largeBoth) {
        traits.colorSize = kLarge;
        traits.depthSize = kLarge;
    } else {
        // VELA and the rest: a large colour imager and a medium depth image.
        traits.colorSize = kLarge;
        traits.depthSize = kMedium;
    }
    traits.grayColor = laserMono;
    traits.hasFlash = !laserMono;
    traits.isVela = modelCode == 8;
    return traits;
}

ImageSize effectiveColorSize(const Options& options) {
    if (options.colorSize.width > 0 && options.colorSize.height > 0) return options.colorSize;
    return traitsOf(options.modelCode).colorSize;
}

ImageSize effectiveDepthSize(const Options& options) {
    if (options.depthSize.width > 0 && options.depthSize.height > 0) return options.depthSize;
    return traitsOf(options.modelCode).depthSize;
}

}  // namespace virtualcam
}  // namespace quorix
