// quorix.Device: one camera, its identity, captures and user sets. Every exchange with the camera runs
// without the GIL, so other Python threads (and other cameras) carry on meanwhile.

#include <pybind11/stl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bindings.h"
#include "device.h"
#include "quorix/QuorixDevice.h"

namespace quorix_python {
namespace {

using namespace norvik::api;

constexpr int kDefaultPort = 5577;
constexpr int kDefaultTimeoutMs = 5000;

template <typename Value, typename Getter>
Value read(Device& device, Getter getter) {
    Value value{};
    device.call([&](QuorixDevice& d) { return (d.*getter)(value); });
    return value;
}

constexpr const char* kOutDoc =
    "\n\nWith out= (an array of an earlier capture, or any C-contiguous writable array of the right dtype "
    "and "
    "shape) the result is written into out, which is returned; an array of an earlier capture of the same "
    "size is written in place, without allocating or copying. Raises ValueError when out's shape differs "
    "from the result's.";

std::string captureDoc(const char* what) { return std::string(what) + kOutDoc; }

}  // namespace

py::class_<Device> bindDevice(py::module_& m) {
    py::class_<Device>(m, "Device",
                       "One Quorix camera.\n\n"
                       "Use it as a context manager: the connection is closed on leaving the block.\n\n"
                       "    with quorix.Device(\"192.168.1.20\") as camera:\n"
                       "        depth = camera.capture_depth()\n\n"
                       "Failures raise quorix.Error subclasses. Exchanges with the camera release the GIL; "
                       "several threads may share a device (its exchanges are serialised).")
        .def(py::init([](const py::object& address, int port, int timeoutMs) {
                 auto device = std::make_unique<Device>();
                 if (py::isinstance<QuorixDeviceInfo>(address)) {
                     const auto& info = address.cast<const QuorixDeviceInfo&>();
                     device->connect(info.ipAddress, info.port, timeoutMs);
                 } else if (!address.is_none()) {
                     device->connect(address.cast<std::string>(), port, timeoutMs);
                 }
                 return device;
             }),
             py::arg("address") = py::none(), py::arg("port") = kDefaultPort,
             py::arg("timeout_ms") = kDefaultTimeoutMs,
             "A device, connected at once when an address (or a DeviceInfo of quorix.discover()) is given; "
             "see connect().")
        .def("connect", &Device::connect, py::arg("address"), py::arg("port") = kDefaultPort,
             py::arg("timeout_ms") = kDefaultTimeoutMs,
             "Connects to the camera at address:port and reads its identity and calibration. timeout_ms "
             "bounds "
             "the wait for every reply on this connection. Raises InvalidDeviceError when the camera cannot "
             "be "
             "reached, UnsupportedFirmwareError for firmware older than 2.0.2.")
        .def(
            "connect",
            [](Device& device, const QuorixDeviceInfo& info, int timeoutMs) {
                device.connect(info.ipAddress, info.port, timeoutMs);
            },
            py::arg("info"), py::arg("timeout_ms") = kDefaultTimeoutMs,
            "Connects to a camera found by quorix.discover().")
        .def("disconnect", &Device::disconnect, "Closes the connection; the device may connect again.")
        .def("close", &Device::disconnect, "The same as disconnect().")
        .def(
            "__enter__", [](Device& device) -> Device& { return device; }, py::return_value_policy::reference)
        .def("__exit__", [](Device& device, const py::args&) { device.disconnect(); })
        .def_property_readonly("connected", &Device::connected,
                               "True after a successful connect() until disconnect().")
        .def_property_readonly(
            "info", [](Device& d) { return read<QuorixDeviceInfo>(d, &QuorixDevice::getDeviceInfo); },
            "The camera's identity, read from the camera (a DeviceInfo).")
        .def_property_readonly(
            "calibration", [](Device& d) { return read<DeviceIntri>(d, &QuorixDevice::getDeviceIntri); },
            "The camera's calibration, read from the camera (a Calibration).")
        .def_property_readonly(
            "resolution",
            [](Device& d) { return read<DeviceResolution>(d, &QuorixDevice::getDeviceResolution); },
            "The sizes of the camera's images, read from the camera (a Resolution).")
        .def(
            "capture_color",
            [](Device& d, const py::object& out) {
                return d.capture<ElementColor>(&QuorixDevice::captureColorMap, out, d.colorScratch);
            },
            py::kw_only(), py::arg("out") = py::none(),
            captureDoc("Captures the 2D image: uint8 array (height, width, 3) in B, G, R order. "
                       "quorix.rgb(image) is the R, G, B view of it (no copy).")
                .c_str())
        .def(
            "capture_depth",
            [](Device& d, const py::object& out) {
                return d.capture<ElementDepth>(&QuorixDevice::captureDepthMap, out, d.depthScratch);
            },
            py::kw_only(), py::arg("out") = py::none(),
            captureDoc(
                "Captures the depth map: float32 array (height, width) in millimetres, 0 where nothing "
                "was measured.")
                .c_str())
        .def(
            "capture_cloud",
            [](Device& d, const py::object& out) {
                return d.capture<ElementPointXYZ>(&QuorixDevice::capturePointXYZMap, out, d.xyzScratch);
            },
            py::kw_only(), py::arg("out") = py::none(),
            captureDoc(
                "Captures the point cloud: float32 array (height, width, 3) of x, y, z in millimetres in "
                "the depth camera's frame, one point per depth pixel, zeros where nothing was measured.")
                .c_str())
        .def(
            "capture_colored_cloud",
            [](Device& d, const py::object& out) {
                return d.capture<ElementPointXYZBGR>(&QuorixDevice::capturePointXYZBGRMap, out,
                                                     d.xyzbgrScratch);
            },
            py::kw_only(), py::arg("out") = py::none(),
            captureDoc(
                "Captures the coloured point cloud: structured array (height, width) of quorix.POINT_XYZBGR "
                "(fields b, g, r as uint8, x, y, z as float32; 16 bytes per point). quorix.points(cloud) "
                "and quorix.colors(cloud) are (height, width, 3) views of it (no copy).")
                .c_str())
        .def_property_readonly(
            "user_sets",
            [](Device& d) {
                std::vector<std::string> names;
                d.call([&](QuorixDevice& device) { return device.getAllUserSets(names); });
                return names;
            },
            "Names of the user sets stored on the camera.")
        .def_property(
            "current_user_set",
            [](Device& d) {
                std::string name;
                d.call([&](QuorixDevice& device) { return device.getCurrentUserSet(name); });
                return name;
            },
            [](Device& d, const std::string& name) {
                d.call([&](QuorixDevice& device) { return device.setCurrentUserSet(name); });
            },
            "Name of the current user set; assign a name to select that set.")
        .def(
            "add_user_set",
            [](Device& d, const std::string& name) {
                d.call([&](QuorixDevice& device) { return device.addUserSet(name); });
            },
            py::arg("name"), "Adds a user set (a copy of the current settings) and makes it current.")
        .def(
            "delete_user_set",
            [](Device& d, const std::string& name) {
                d.call([&](QuorixDevice& device) { return device.deleteUserSet(name); });
            },
            py::arg("name"), "Deletes a user set.")
        .def(
            "save_user_sets",
            [](Device& d) {
                d.call([](QuorixDevice& device) { return device.saveAllSettingsToUserSets(); });
            },
            "Makes the camera's current settings persistent in its user sets.");

    m.def(
        "discover",
        [](double timeout) {
            if (!(timeout > 0) || timeout > 3600)
                throw py::value_error("timeout must be above 0 and at most 3600 s");
            const int quietMs = std::max(1, static_cast<int>(timeout * 1000 + 0.5));
            py::gil_scoped_release nogil;
            return QuorixDevice::enumerateQuorixDeviceList(quietMs);
        },
        py::arg("timeout") = 3.0,
        "Listens for the cameras' announcements on UDP port 45454 until no new camera has been heard for "
        "timeout seconds, and returns one DeviceInfo per camera (virtual cameras announcing themselves as "
        "such "
        "are left out). Cameras announce themselves about once a second: a timeout under 1.5 s may miss "
        "some. "
        "Raises RuntimeError when the port cannot be opened.");
    return py::reinterpret_borrow<py::class_<Device>>(m.attr("Device"));
}

}  // namespace quorix_python
