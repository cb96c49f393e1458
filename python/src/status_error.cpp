#include "status_error.h"

#include <utility>

namespace py = pybind11;

namespace quorix_python {

StatusError::StatusError(norvik::api::ErrorStatus status)
    : std::runtime_error(status.message), status_(std::move(status)) {}

void check(const norvik::api::ErrorStatus& status) {
    if (status.code != norvik::api::Success) throw StatusError(status);
}

void registerStatusTranslator() {
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const StatusError& error) {
            // Translators run with the GIL held.
            const py::object exception = py::module_::import("quorix._errors")
                                             .attr("error_for")(error.status().code, error.status().message);
            PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception.ptr())), exception.ptr());
        }
    });
}

}  // namespace quorix_python
