// quorix.cloud_from_texture_mask: the cloud of the depth pixels under a mask, computed on the host.

#include "bindings.h"
#include "frames.h"
#include "quorix/QuorixDevice.h"

namespace quorix_python {
namespace {

using namespace norvik::api;

template <typename T>
py::array maskCloud(const py::array& depth, const py::array& mask, const DeviceIntri& calibration,
                    const py::object& out) {
    const Frame<ElementDepth> depthFrame = frameOf<ElementDepth>(depth, "depth");
    const Frame<ElementColor> maskFrame = frameOf<ElementColor>(mask, "mask");
    ScratchFrame<T> scratch;  // only used for an out= array of another origin
    return fillFrame<T>(
        [&](Frame<T>& cloud) {
            return QuorixDevice::getCloudFromTextureMask(depthFrame, maskFrame, calibration, cloud);
        },
        out, scratch);
}

}  // namespace

void bindTextureMask(py::module_& m) {
    m.def(
        "cloud_from_texture_mask",
        [](const py::array& depth, const py::array& mask, const DeviceIntri& calibration, bool colored,
           const py::object& out) {
            return colored ? maskCloud<ElementPointXYZBGR>(depth, mask, calibration, out)
                           : maskCloud<ElementPointXYZ>(depth, mask, calibration, out);
        },
        py::arg("depth"), py::arg("mask"), py::arg("calibration"), py::kw_only(), py::arg("colored") = false,
        py::arg("out") = py::none(),
        "The cloud of the depth pixels whose pixel in mask (a 2D image, uint8 (height, width, 3)) is not "
        "black; the other points are zero. depth is a float32 (height, width) map in millimetres; arrays of "
        "this module are used without a copy, others are copied. calibration is the camera's Calibration. "
        "Returns float32 (height, width, 3), or with colored=True a POINT_XYZBGR array whose colours are "
        "the mask's. Runs on the host without a camera and without the GIL. Raises EmptyInputError for an "
        "empty depth map or mask, InvalidIntrinsicsError for an unusable calibration. out= as for captures.");
}

}  // namespace quorix_python
