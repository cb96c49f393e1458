// The in-process virtual camera behind quorix.testing: a camera without hardware on a loopback port.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>

#include "virtualcam/virtual_camera.h"

namespace py = pybind11;
using quorix::virtualcam::ImageSize;
using quorix::virtualcam::Options;
using quorix::virtualcam::VirtualCamera;

namespace {

ImageSize sizeOf(const std::optional<std::pair<int, int>>& size) {
    return size ? ImageSize{size->first, size->second} : ImageSize{};
}

}  // namespace

PYBIND11_MODULE(_virtualcam, m) {
    m.doc() = "The virtual Quorix camera, in-process (the compiled part of quorix.testing).";
    py::class_<VirtualCamera>(m, "VirtualCamera")
        .def(py::init([](int model, const std::optional<std::string>& scene, const std::string& address,
                         int port, const std::optional<std::pair<int, int>>& colorSize,
                         const std::optional<std::pair<int, int>>& depthSize, const std::string& identifier,
                         const std::string& firmware, const std::optional<std::string>& stateDirectory,
                         bool announce, const std::string& announceAddress, int announcePort) {
                 if (port < 0 || port > 65535) throw py::value_error("port must be 0 to 65535");
                 if (announcePort < 0 || announcePort > 65535)
                     throw py::value_error("announce_port must be 0 to 65535");
                 Options options;
                 options.modelCode = model;
                 options.sceneDirectory = scene.value_or("");
                 options.address = address;
                 options.port = static_cast<std::uint16_t>(port);
                 options.colorSize = sizeOf(colorSize);
                 options.depthSize = sizeOf(depthSize);
                 options.identifier = identifier;
                 options.firmwareVersion = firmware;
                 options.stateDirectory = stateDirectory.value_or("");
                 options.announce = announce;
                 options.announceAddress = announceAddress;
                 options.announcePort = static_cast<std::uint16_t>(announcePort);
                 return std::make_unique<VirtualCamera>(options);
             }),
             py::kw_only(), py::arg("model"), py::arg("scene"), py::arg("address"), py::arg("port"),
             py::arg("color_size"), py::arg("depth_size"), py::arg("identifier"), py::arg("firmware_version"),
             py::arg("state_dir"), py::arg("announce"), py::arg("announce_address"), py::arg("announce_port"))
        .def("start",
             [](VirtualCamera& camera) {
                 std::string error;
                 bool started;
                 {
                     py::gil_scoped_release nogil;
                     started = camera.start(&error);
                 }
                 if (!started) throw std::runtime_error("the virtual camera did not start: " + error);
             })
        .def("stop", &VirtualCamera::stop, py::call_guard<py::gil_scoped_release>())
        .def_property_readonly("running", &VirtualCamera::running)
        .def_property_readonly("port", &VirtualCamera::port)
        .def_property_readonly("endpoint", &VirtualCamera::endpoint)
        .def_property_readonly("identifier", &VirtualCamera::identifier)
        .def_property_readonly("address", [](const VirtualCamera& c) { return c.options().address; })
        .def_property_readonly("state_file", &VirtualCamera::stateFile)
        .def_property_readonly("frames_rendered", &VirtualCamera::framesRendered)
        .def("set_reply_delay", &VirtualCamera::setReplyDelay, py::arg("milliseconds"))
        .def("stay_silent_for", &VirtualCamera::staySilentFor, py::arg("requests"))
        .def("fail_command", &VirtualCamera::failCommand, py::arg("command"),
             py::arg("message") = "Simulated camera failure.")
        .def("clear_command_failure", &VirtualCamera::clearCommandFailure)
        .def("truncate_next_replies", &VirtualCamera::truncateNextReplies, py::arg("count"))
        .def("malform_next_replies", &VirtualCamera::malformNextReplies, py::arg("count"))
        .def("set_old_firmware", &VirtualCamera::setOldFirmware, py::arg("on"))
        .def("set_report_virtual", &VirtualCamera::setReportVirtual, py::arg("on"));
}
