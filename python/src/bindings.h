#pragma once

// The parts of the _quorix module, each bound by its own file.

#include <pybind11/pybind11.h>

namespace quorix_python {

class Device;

void bindRecords(pybind11::module_& module);
pybind11::class_<Device> bindDevice(pybind11::module_& module);
void bindSettings(pybind11::module_& module, pybind11::class_<Device>& device);
void bindHostClouds(pybind11::module_& module);
void bindFiles(pybind11::module_& module);
void bindDiagnostics(pybind11::module_& module);

}  // namespace quorix_python
