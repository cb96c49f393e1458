// The extension module behind the quorix package.

#include "bindings.h"
#include "frames.h"
#include "quorix/QuorixDevice.h"

PYBIND11_MODULE(_quorix, m) {
    namespace py = pybind11;
    using norvik::api::ElementPointXYZBGR;
    m.doc() = "The Quorix camera library for Python (the compiled part of the quorix package).";
    PYBIND11_NUMPY_DTYPE(ElementPointXYZBGR, b, g, r, x, y, z);

    quorix_python::registerStatusTranslator();
    quorix_python::bindRecords(m);
    quorix_python::bindDevice(m);
    quorix_python::bindTextureMask(m);

    m.attr("POINT_XYZBGR") = py::dtype::of<ElementPointXYZBGR>();
    m.attr("__version__") = QUORIX_PYTHON_VERSION;
    m.attr("build_stamp") = QUORIX_BUILD_STAMP;
    m.def("api_information", &norvik::api::getApiInformation, "The library's version banner.");
}
