// Identity, calibration and image sizes as Python objects with snake_case attributes.

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <array>
#include <sstream>
#include <string>

#include "bindings.h"
#include "quorix/Types.h"

namespace py = pybind11;
using namespace norvik::api;

namespace quorix_python {
namespace {

std::string quoted(const std::string& text) { return py::repr(py::str(text)).cast<std::string>(); }

std::string describe(const QuorixDeviceInfo& info) {
    return "DeviceInfo(model=" + quoted(info.model) + ", id=" + quoted(info.id) +
           ", hardware_version=" + quoted(info.hardwareVersion) +
           ", firmware_version=" + quoted(info.firmwareVersion) + ", ip_address=" + quoted(info.ipAddress) +
           ", port=" + std::to_string(info.port) + ")";
}

std::string describe(const CameraIntrinsics& camera) {
    std::ostringstream text;
    text.precision(17);
    text << "Intrinsics(fx=" << camera.intrinsic[0] << ", fy=" << camera.intrinsic[1]
         << ", cx=" << camera.intrinsic[2] << ", cy=" << camera.intrinsic[3] << ", distortion=(";
    for (int i = 0; i < 5; ++i) text << (i ? ", " : "") << camera.distCoefficients[i];
    text << "))";
    return text.str();
}

// A writable double field of the intrinsics, by its index in CameraIntrinsics::intrinsic.
void intrinsicField(py::class_<CameraIntrinsics>& cls, const char* name, int index, const char* doc) {
    cls.def_property(
        name, [index](const CameraIntrinsics& c) { return c.intrinsic[index]; },
        [index](CameraIntrinsics& c, double value) { c.intrinsic[index] = value; }, doc);
}

}  // namespace

void bindRecords(py::module_& m) {
    py::class_<QuorixDeviceInfo>(m, "DeviceInfo",
                                 "Identity of one camera, as read from the camera or from its announcement.")
        .def(py::init([](std::string model, std::string id, std::string hardware, std::string firmware,
                         std::string address, std::uint16_t port) {
                 return QuorixDeviceInfo{std::move(model),    std::move(id),      std::move(hardware),
                                         std::move(firmware), std::move(address), port};
             }),
             py::kw_only(), py::arg("model") = "", py::arg("id") = "", py::arg("hardware_version") = "",
             py::arg("firmware_version") = "", py::arg("ip_address") = "", py::arg("port") = 0)
        .def_readwrite("model", &QuorixDeviceInfo::model, "Model name, e.g. 'Quorix ZIKA'.")
        .def_readwrite("id", &QuorixDeviceInfo::id, "The camera's identifier.")
        .def_readwrite("hardware_version", &QuorixDeviceInfo::hardwareVersion, "Hardware version text.")
        .def_readwrite("firmware_version", &QuorixDeviceInfo::firmwareVersion,
                       "Firmware version, e.g. '2.1.0'.")
        .def_readwrite("ip_address", &QuorixDeviceInfo::ipAddress, "Dotted IPv4 address.")
        .def_readwrite("port", &QuorixDeviceInfo::port, "Command port.")
        .def("__eq__",
             [](const QuorixDeviceInfo& a, const QuorixDeviceInfo& b) {
                 return a.model == b.model && a.id == b.id && a.hardwareVersion == b.hardwareVersion &&
                        a.firmwareVersion == b.firmwareVersion && a.ipAddress == b.ipAddress &&
                        a.port == b.port;
             })
        .def("__repr__", [](const QuorixDeviceInfo& info) { return describe(info); });

    py::class_<CameraIntrinsics> intrinsics(
        m, "Intrinsics",
        "Pinhole model of one imager: focal lengths and centre in pixels, distortion k1..k5.");
    intrinsics.def(py::init<>());
    intrinsicField(intrinsics, "fx", 0, "Focal length along x, pixels.");
    intrinsicField(intrinsics, "fy", 1, "Focal length along y, pixels.");
    intrinsicField(intrinsics, "cx", 2, "Principal point column, pixels.");
    intrinsicField(intrinsics, "cy", 3, "Principal point row, pixels.");
    intrinsics
        .def_property(
            "distortion",
            [](const CameraIntrinsics& c) {
                std::array<double, 5> k{};
                for (int i = 0; i < 5; ++i) k[i] = c.distCoefficients[i];
                return py::tuple(py::cast(k));
            },
            [](CameraIntrinsics& c, const std::array<double, 5>& k) {
                for (int i = 0; i < 5; ++i) c.distCoefficients[i] = k[i];
            },
            "Distortion coefficients (k1, k2, k3, k4, k5).")
        .def_property_readonly(
            "matrix",
            [](const CameraIntrinsics& c) {
                py::array_t<double> k({3, 3});
                auto v = k.mutable_unchecked<2>();
                const double values[3][3] = {
                    {c.intrinsic[0], 0, c.intrinsic[2]}, {0, c.intrinsic[1], c.intrinsic[3]}, {0, 0, 1}};
                for (int r = 0; r < 3; ++r)
                    for (int col = 0; col < 3; ++col) v(r, col) = values[r][col];
                return k;
            },
            "The 3x3 camera matrix [[fx, 0, cx], [0, fy, cy], [0, 0, 1]] (a new array).")
        .def("__repr__", [](const CameraIntrinsics& c) { return describe(c); });

    py::class_<DeviceIntri>(
        m, "Calibration",
        "Calibration of the whole device: both imagers and the pose of the depth camera in "
        "the 2D camera's frame (p2d = rotation @ p3d + translation, millimetres).")
        .def(py::init<>())
        .def_readwrite("camera_2d", &DeviceIntri::intrinsic2DCamera, "Intrinsics of the 2D (colour) camera.")
        .def_readwrite("camera_3d", &DeviceIntri::intrinsic3DCamera, "Intrinsics of the depth camera.")
        .def_property(
            "rotation",
            [](const DeviceIntri& c) {
                py::array_t<double> r({3, 3});
                auto v = r.mutable_unchecked<2>();
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) v(i, j) = c.rotation[i][j];
                return r;
            },
            [](DeviceIntri& c, const std::array<std::array<double, 3>, 3>& r) {
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) c.rotation[i][j] = r[i][j];
            },
            "3x3 rotation (a new array; assign a whole 3x3 sequence to change it).")
        .def_property(
            "translation",
            [](const DeviceIntri& c) {
                py::array_t<double> t(3);
                for (int i = 0; i < 3; ++i) t.mutable_at(i) = c.translation[i];
                return t;
            },
            [](DeviceIntri& c, const std::array<double, 3>& t) {
                for (int i = 0; i < 3; ++i) c.translation[i] = t[i];
            },
            "Translation in millimetres (a new array; assign a whole sequence of 3 to change it).")
        .def("__repr__", [](const DeviceIntri& c) {
            return "Calibration(camera_2d=" + describe(c.intrinsic2DCamera) +
                   ", camera_3d=" + describe(c.intrinsic3DCamera) + ")";
        });

    py::class_<DeviceResolution>(m, "Resolution", "Sizes of the images the camera delivers, in pixels.")
        .def(py::init<>())
        .def_readonly("color_width", &DeviceResolution::image2DWidth, "Width of the 2D image.")
        .def_readonly("color_height", &DeviceResolution::image2DHeight, "Height of the 2D image.")
        .def_readonly("depth_width", &DeviceResolution::image3DWidth, "Width of the depth map.")
        .def_readonly("depth_height", &DeviceResolution::image3DHeight, "Height of the depth map.")
        .def_property_readonly(
            "color_shape",
            [](const DeviceResolution& r) { return py::make_tuple(r.image2DHeight, r.image2DWidth); },
            "(height, width) of the 2D image: the shape of capture_color()[..., 0].")
        .def_property_readonly(
            "depth_shape",
            [](const DeviceResolution& r) { return py::make_tuple(r.image3DHeight, r.image3DWidth); },
            "(height, width) of the depth map and the clouds.")
        .def("__repr__", [](const DeviceResolution& r) {
            return "Resolution(color=" + std::to_string(r.image2DWidth) + "x" +
                   std::to_string(r.image2DHeight) + ", depth=" + std::to_string(r.image3DWidth) + "x" +
                   std::to_string(r.image3DHeight) + ")";
        });
}

}  // namespace quorix_python
