// The captures of the C++ interface, for comparison with the Python package: the tests compare their bytes,
// the benchmark their times. A device of its own, frames reused across captures as a C++ program would.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "quorix/QuorixDevice.h"

namespace py = pybind11;
using namespace norvik::api;

namespace {

class ReferenceDevice {
public:
    ReferenceDevice(const std::string& address, int port) {
        const ErrorStatus status = device_.connect(address, port, 5000);
        if (status.code != Success) throw std::runtime_error("connect: " + status.message);
    }

    py::bytes capture(const std::string& kind) {
        {
            py::gil_scoped_release nogil;
            captureOnce(kind);
        }
        if (kind == "color") return bytesOf(color_);
        if (kind == "depth") return bytesOf(depth_);
        if (kind == "cloud") return bytesOf(xyz_);
        return bytesOf(xyzbgr_);
    }

    // Seconds of each of count captures.
    std::vector<double> time(const std::string& kind, int count) {
        py::gil_scoped_release nogil;
        std::vector<double> seconds;
        for (int i = 0; i < count; ++i) {
            const auto start = std::chrono::steady_clock::now();
            captureOnce(kind);
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        return seconds;
    }

private:
    template <typename T>
    static py::bytes bytesOf(const Frame<T>& frame) {
        return py::bytes(reinterpret_cast<const char*>(frame.data()),
                         sizeof(T) * frame.width() * static_cast<std::size_t>(frame.height()));
    }

    void captureOnce(const std::string& kind) {
        ErrorStatus status;
        if (kind == "color") {
            status = device_.captureColorMap(color_);
        } else if (kind == "depth") {
            status = device_.captureDepthMap(depth_);
        } else if (kind == "cloud") {
            status = device_.capturePointXYZMap(xyz_);
        } else if (kind == "colored_cloud") {
            status = device_.capturePointXYZBGRMap(xyzbgr_);
        } else {
            throw std::invalid_argument("unknown capture " + kind);
        }
        if (status.code != Success) throw std::runtime_error("capture: " + status.message);
    }

    QuorixDevice device_;
    Frame<ElementColor> color_;
    Frame<ElementDepth> depth_;
    Frame<ElementPointXYZ> xyz_;
    Frame<ElementPointXYZBGR> xyzbgr_;
};

}  // namespace

PYBIND11_MODULE(_quorix_reference, m) {
    py::class_<ReferenceDevice>(m, "ReferenceDevice")
        .def(py::init<const std::string&, int>(), py::arg("address"), py::arg("port"))
        .def("capture", &ReferenceDevice::capture, py::arg("kind"))
        .def("time", &ReferenceDevice::time, py::arg("kind"), py::arg("count"));
}
