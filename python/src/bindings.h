#pragma once

// The parts of the _quorix module, each bound by its own file.

#include <pybind11/pybind11.h>

namespace quorix_python {

void bindRecords(pybind11::module_& module);
void bindDevice(pybind11::module_& module);
void bindTextureMask(pybind11::module_& module);

}  // namespace quorix_python
