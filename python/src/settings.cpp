// Settings by name: the library's catalogue as read-only Python objects, and the raw accessors (values as
// lists of numbers) that quorix/_settings.py turns into names, enumerations and dicts. Nothing here lists
// settings: every name, range and field comes from the library's catalogue.

#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "bindings.h"
#include "device.h"
#include "quorix/QuorixDevice.h"

namespace quorix_python {

using namespace norvik::api;

void bindSettings(py::module_& m, py::class_<Device>& device) {
    py::enum_<SettingKind>(m, "SettingKind", "The shape of a setting's value.")
        .value("Integer", SettingKind::Integer, "a whole number within minimum to maximum")
        .value("Real", SettingKind::Real, "a number within minimum to maximum")
        .value("Boolean", SettingKind::Boolean, "False or True")
        .value("Enumeration", SettingKind::Enumeration, "one of the enumerators")
        .value("RealList", SettingKind::RealList, "minimum_count to maximum_count numbers")
        .value("Record", SettingKind::Record, "the fields, each described on its own");
    py::enum_<SettingImage>(m, "SettingImage", "Which image a region must fit in.")
        .value("None_", SettingImage::None)
        .value("Image2D", SettingImage::Image2D)
        .value("Image3D", SettingImage::Image3D);

    py::class_<SettingEnumerator>(m, "SettingEnumerator", "One value of an enumeration.")
        .def_readonly("name", &SettingEnumerator::name, "The enumerator's name, e.g. \"AC50Hz\".")
        .def_readonly("value", &SettingEnumerator::value, "Its number.")
        .def_readonly("refused_by_models", &SettingEnumerator::refusedByModels,
                      "Models that refuse this value although they have the setting.")
        .def("__repr__", [](const SettingEnumerator& e) {
            return "<SettingEnumerator " + e.name + "=" + std::to_string(e.value) + ">";
        });
    py::class_<SettingField>(m, "SettingField", "One field of a Record setting.")
        .def_readonly("name", &SettingField::name)
        .def_readonly("kind", &SettingField::kind, "SettingKind.Integer or SettingKind.Enumeration.")
        .def_readonly("minimum", &SettingField::minimum)
        .def_readonly("maximum", &SettingField::maximum)
        .def_readonly("enumerators", &SettingField::enumerators)
        .def_readonly("unit", &SettingField::unit)
        .def_readonly("description", &SettingField::description)
        .def("__repr__", [](const SettingField& f) { return "<SettingField " + f.name + ">"; });
    py::class_<SettingFieldSpan>(
        m, "SettingFieldSpan",
        "A rule of a Record: upper_field - lower_field lies within minimum to maximum.")
        .def_readonly("lower_field", &SettingFieldSpan::lowerField)
        .def_readonly("upper_field", &SettingFieldSpan::upperField)
        .def_readonly("minimum", &SettingFieldSpan::minimum)
        .def_readonly("maximum", &SettingFieldSpan::maximum);
    py::class_<SettingDescription>(
        m, "SettingDescription", "What a setting is: its value's kind and limits, unit, models and purpose.")
        .def_readonly("name", &SettingDescription::name)
        .def_readonly("parameters", &SettingDescription::parameters, "The camera parameters that hold it.")
        .def_readonly("kind", &SettingDescription::kind, "A SettingKind.")
        .def_readonly("minimum", &SettingDescription::minimum,
                      "Integer and Real: the lowest value; RealList: each element's.")
        .def_readonly("maximum", &SettingDescription::maximum)
        .def_readonly("enumerators", &SettingDescription::enumerators,
                      "Enumeration: every value, increasing.")
        .def_readonly("minimum_count", &SettingDescription::minimumCount, "RealList: the fewest numbers.")
        .def_readonly("maximum_count", &SettingDescription::maximumCount, "RealList: the most numbers.")
        .def_readonly("fields", &SettingDescription::fields, "Record: the fields, in order.")
        .def_readonly("spans", &SettingDescription::spans, "Record: the rules between fields.")
        .def_readonly("fits_in", &SettingDescription::fitsIn, "The image a region must fit in.")
        .def_readonly("unit", &SettingDescription::unit, "\"ms\", \"mm\", \"px\", \"%\" or empty.")
        .def_readonly("description", &SettingDescription::description, "One line for people.")
        .def_readonly("models", &SettingDescription::models,
                      "The models that have the setting; empty when every model has it.")
        .def_readonly("on_read_failure", &SettingDescription::onReadFailure)
        .def("available_on", &SettingDescription::availableOn, py::arg("model"),
             "Whether a camera of this model has the setting.")
        .def("__repr__", [](const SettingDescription& d) { return "<SettingDescription " + d.name + ">"; });

    m.def(
        "setting_catalogue",
        [](const py::object& model) {
            if (model.is_none()) return QuorixDevice::settingCatalogue();
            return QuorixDevice::settingCatalogue(py::str(model).cast<std::string>());
        },
        py::arg("model") = py::none(),
        "Every capture setting's SettingDescription, or those a camera of this model (DeviceInfo.model) "
        "has.");

    device
        .def(
            "_setting_catalogue",
            [](Device& d) {
                std::vector<SettingDescription> descriptions;
                d.call([&](QuorixDevice& q) { return q.getSettingCatalogue(descriptions); });
                return descriptions;
            },
            "The descriptions of the connected camera's settings.")
        .def(
            "_get_setting",
            [](Device& d, const std::string& name) {
                std::vector<double> values;
                d.call([&](QuorixDevice& q) { return q.getSetting(name, values); });
                return values;
            },
            py::arg("name"), "A setting's value as numbers (use Device.settings).")
        .def(
            "_set_setting",
            [](Device& d, const std::string& name, const std::vector<double>& values) {
                d.call([&](QuorixDevice& q) { return q.setSetting(name, values); });
            },
            py::arg("name"), py::arg("values"),
            "Writes a setting's value given as numbers (use Device.settings).")
        .def(
            "_check_setting",
            [](Device& d, const std::string& name, const std::vector<double>& values) {
                d.call([&](QuorixDevice& q) { return q.checkSetting(name, values); });
            },
            py::arg("name"), py::arg("values"), "Checks a value given as numbers without sending it.");
}

}  // namespace quorix_python
