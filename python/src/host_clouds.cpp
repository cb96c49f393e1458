// Clouds computed on the host from held maps: the whole depth map (bit for bit the captures' clouds) and
// the pixels under a texture mask.

#include <string>

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

constexpr const char* kHostDoc =
    " depth is a float32 (height, width) map in millimetres (e.g. of capture_depth() or load_depth()); "
    "arrays "
    "of this module are used without a copy, others are copied. calibration is the camera's Calibration. "
    "Runs on the host without a camera and without the GIL. Raises EmptyInputError for an empty map, "
    "InvalidIntrinsicsError for an unusable calibration. out= as for captures.";

std::string hostDoc(const char* what) { return std::string(what) + kHostDoc; }

}  // namespace

void bindHostClouds(py::module_& m) {
    m.def(
        "compute_cloud",
        [](const py::array& depth, const DeviceIntri& calibration, const py::object& out) {
            const Frame<ElementDepth> depthFrame = frameOf<ElementDepth>(depth, "depth");
            ScratchFrame<ElementPointXYZ> scratch;
            return fillFrame<ElementPointXYZ>(
                [&](Frame<ElementPointXYZ>& cloud) {
                    return QuorixDevice::computePointXYZMap(depthFrame, calibration, cloud);
                },
                out, scratch);
        },
        py::arg("depth"), py::arg("calibration"), py::kw_only(), py::arg("out") = py::none(),
        hostDoc("The point cloud of a depth map, float32 (height, width, 3): for the same depth map and "
                "calibration, bit for bit what Device.capture_cloud() gives.")
            .c_str());
    m.def(
        "compute_colored_cloud",
        [](const py::array& depth, const py::array& color, const DeviceIntri& calibration,
           const py::object& out) {
            const Frame<ElementDepth> depthFrame = frameOf<ElementDepth>(depth, "depth");
            const Frame<ElementColor> colorFrame = frameOf<ElementColor>(color, "color");
            ScratchFrame<ElementPointXYZBGR> scratch;
            return fillFrame<ElementPointXYZBGR>(
                [&](Frame<ElementPointXYZBGR>& cloud) {
                    return QuorixDevice::computePointXYZBGRMap(depthFrame, colorFrame, calibration, cloud);
                },
                out, scratch);
        },
        py::arg("depth"), py::arg("color"), py::arg("calibration"), py::kw_only(),
        py::arg("out") = py::none(),
        hostDoc(
            "The coloured point cloud (quorix.POINT_XYZBGR) of a depth map, each point coloured from color "
            "(uint8 (height, width, 3), B-G-R, e.g. of capture_color()) as Device.capture_colored_cloud() "
            "colours it: together with capture_color() and capture_depth(), the image, the depth map and "
            "both clouds of one instant.")
            .c_str());

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
