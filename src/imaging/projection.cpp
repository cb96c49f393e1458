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

}  // namespace imaging
}  // namespace norvik
