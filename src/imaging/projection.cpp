#include "imaging/projection.h"

namespace norvik {
namespace imaging {

bool isIdentityTransform(const double (&rotation)[3][3], const double (&translation)[3]) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double expected = i == j ? 1.0 : 0.0;
            if (!(std::fabs(rotation[i][j] - expected) <= kZeroTolerance)) return false;
        }
        if (!(std::fabs(translation[i]) <= kZeroTolerance)) return false;
    }
    return true;
}

bool sameCamera(const api::DeviceIntri& intri) {
    auto near = [](double a, double b) { return std::fabs(a - b) <= kZeroTolerance; };
    const api::CameraIntrinsics& color = intri.intrinsic2DCamera;
    const api::CameraIntrinsics& depth = intri.intrinsic3DCamera;
    for (int k = 0; k < 4; ++k)
        if (!near(color.intrinsic[k], depth.intrinsic[k])) return false;
    for (int k = 0; k < 5; ++k)
        if (!near(color.distCoefficients[k], depth.distCoefficients[k])) return false;
    return isIdentityTransform(intri.rotation, intri.translation);
}

}  // namespace imaging
}  // namespace norvik
