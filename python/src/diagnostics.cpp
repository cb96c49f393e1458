// quorix.set_diagnostic_handler: the library's diagnostic lines handed to a Python callable. The library
// calls the handler on its own threads, so the trampoline takes the GIL, and nothing the callable raises
// goes back into the library (it is reported as unraisable, as Python does for callbacks).

#include <memory>
#include <string>
#include <utility>

#include "bindings.h"
#include "quorix/QuorixDevice.h"

namespace quorix_python {
namespace {

namespace py = pybind11;

// Holds the callable; released with the GIL held, on whichever thread drops the last reference.
struct Callback {
    py::object function;
    explicit Callback(py::object f) : function(std::move(f)) {}
    ~Callback() {
        if (!Py_IsInitialized()) {
            function.release();  // the interpreter is gone: nothing left to release
            return;
        }
        py::gil_scoped_acquire gil;
        function = py::object();
    }
};

void setHandler(const py::object& function) {
    if (function.is_none()) {
        py::gil_scoped_release nogil;  // the old callback may be destroyed here and takes the GIL itself
        norvik::api::QuorixDevice::setDiagnosticHandler(nullptr);
        return;
    }
    if (!PyCallable_Check(function.ptr()))
        throw py::type_error("the diagnostic handler must be callable or None");
    auto callback = std::make_shared<Callback>(function);
    py::gil_scoped_release nogil;
    norvik::api::QuorixDevice::setDiagnosticHandler([callback](const std::string& line) {
        if (!Py_IsInitialized()) return;
        py::gil_scoped_acquire gil;
        try {
            const py::object text = py::reinterpret_steal<py::object>(
                PyUnicode_DecodeUTF8(line.data(), static_cast<Py_ssize_t>(line.size()), "replace"));
            if (text)
                callback->function(text);
            else
                PyErr_Clear();
        } catch (py::error_already_set& error) {
            error.discard_as_unraisable("quorix diagnostic handler");
        } catch (...) {
            // Nothing may leave into the library's threads.
        }
    });
}

}  // namespace

void bindDiagnostics(py::module_& m) {
    m.def(
        "set_diagnostic_handler", &setHandler, py::arg("handler"),
        "Hands the library's diagnostic lines (a failed send or receive, a discovery port it could not bind, "
        "an unreadable announcement: what is not an exception) to handler(line: str) instead of printing "
        "them; None restores printing. The handler serves the whole process and is called on the library's "
        "threads, possibly several at once; what it raises is reported through sys.unraisablehook and "
        "otherwise ignored. quorix.log_diagnostics() sends the lines to the logging module.");
}

}  // namespace quorix_python
