// The extension module behind the quorix package.

#include "bindings.h"
#include "device.h"
#include "frames.h"
#include "quorix/QuorixDevice.h"

PYBIND11_MODULE(_quorix, m) {
    namespace py = pybind11;
    using norvik::api::ElementPointXYZBGR;
    m.doc() = "The Quorix camera library for Python (the compiled part of the quorix package).";
    PYBIND11_NUMPY_DTYPE(ElementPointXYZBGR, b, g, r, x, y, z);

    quorix_python::registerStatusTranslator();
    quorix_python::bindRecords(m);
    auto device = quorix_python::bindDevice(m);
    quorix_python::bindSettings(m, device);
    quorix_python::bindHostClouds(m);
#ifdef QUORIX_PYTHON_FILES
    quorix_python::bindFiles(m);
#endif
    quorix_python::bindDiagnostics(m);

    m.attr("POINT_XYZBGR") = py::dtype::of<ElementPointXYZBGR>();
    m.attr("__version__") = QUORIX_PYTHON_VERSION;
    m.attr("build_stamp") = QUORIX_BUILD_STAMP;
    m.def("api_information", &norvik::api::getApiInformation, "The library's version banner.");
}
