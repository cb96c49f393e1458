// quorix.save and the loaders: frames, clouds and calibrations as files through the export library, chosen
// by the array's kind and the file's extension. Files are written and read without the GIL.

#include <string>

#include "bindings.h"
#include "frames.h"
#include "quorix/QuorixDevice.h"
#include "quorix/QuorixExport.h"

namespace quorix_python {
namespace {

using namespace norvik::api;
namespace files = norvik::files;

std::string pathText(const py::object& path) {
    return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

// Runs the file operation without the GIL; a failure raises the quorix exception of code with the
// library's sentence.
template <typename Operation>
void run(std::int32_t code, Operation&& operation) {
    files::FileResult result;
    {
        py::gil_scoped_release nogil;
        result = operation();
    }
    if (!result.ok()) throw StatusError(ErrorStatus(code, result.error));
}

void save(const py::object& pathObject, const py::object& data, bool ascii, bool organized, int pngLevel) {
    const std::string path = pathText(pathObject);
    if (py::isinstance<DeviceIntri>(data)) {
        const DeviceIntri intri = data.cast<DeviceIntri>();
        return run(WriteError, [&] { return files::writeCalibration(path, intri); });
    }
    if (!py::isinstance<py::array>(data))
        throw py::type_error("save() takes a numpy array (image, depth map or cloud) or a Calibration");
    const auto array = py::reinterpret_borrow<py::array>(data);
    const files::CloudFileOptions options{ascii, organized};
    if (array.dtype().equal(dtypeOf<ElementPointXYZBGR>())) {
        const Frame<ElementPointXYZBGR> cloud = frameOf<ElementPointXYZBGR>(array, "cloud");
        return run(WriteError, [&] { return files::writeCloud(path, cloud, options); });
    }
    if (array.ndim() == 2) {
        const Frame<ElementDepth> depth = frameOf<ElementDepth>(array, "depth");
        return run(WriteError, [&] { return files::writeDepthMap(path, depth, pngLevel); });
    }
    if (array.ndim() == 3 && array.shape(2) == 3 && array.dtype().equal(py::dtype::of<std::uint8_t>())) {
        if (!files::hasExtension(path, ".png"))
            throw StatusError(ErrorStatus(WriteError, path + ": a colour image is saved as .png"));
        const Frame<ElementColor> image = frameOf<ElementColor>(array, "image");
        return run(WriteError, [&] { return files::writeColorPng(path, image, pngLevel); });
    }
    const Frame<ElementPointXYZ> cloud = frameOf<ElementPointXYZ>(array, "cloud");
    run(WriteError, [&] { return files::writeCloud(path, cloud, options); });
}

template <typename T, typename Reader>
py::array load(const py::object& pathObject, Reader reader) {
    const std::string path = pathText(pathObject);
    Frame<T> frame;
    run(ReadError, [&] { return reader(path, frame); });
    return toArray(std::move(frame));
}

}  // namespace

void bindFiles(py::module_& m) {
    m.def("save", &save, py::arg("path"), py::arg("data"), py::kw_only(), py::arg("ascii") = false,
          py::arg("organized") = false, py::arg("png_level") = files::kDefaultPngLevel,
          "Saves data by the file's extension, through the export library:\n\n"
          "- a cloud (float32 (height, width, 3), or quorix.POINT_XYZBGR): .ply or .pcd, unmeasured points "
          "left out (organized=True keeps every pixel, NaN where nothing was measured; ascii=True writes "
          "text PLY);\n"
          "- a depth map (float32 (height, width), millimetres): .png (16-bit, whole millimetres) or "
          ".tiff/.tif (32-bit float, exactly);\n"
          "- a colour image (uint8 (height, width, 3), B-G-R): .png;\n"
          "- a Calibration: the calibration JSON file.\n\n"
          "The file is written whole or not at all (through a temporary file), without the GIL. Raises "
          "WriteError with the reason, naming the file.");
    m.def(
        "load_depth", [](const py::object& path) { return load<ElementDepth>(path, &files::readDepthMap); },
        py::arg("path"),
        "A depth map (float32 (height, width), millimetres) from a 32-bit float TIFF or a 16-bit PNG. "
        "Raises ReadError with the reason.");
    m.def(
        "load_color", [](const py::object& path) { return load<ElementColor>(path, &files::readColorPng); },
        py::arg("path"), "A colour image (uint8 (height, width, 3), B-G-R) from any PNG. Raises ReadError.");
    m.def(
        "load_calibration",
        [](const py::object& pathObject) {
            const std::string path = pathText(pathObject);
            DeviceIntri intri;
            run(ReadError, [&] { return files::readCalibration(path, intri); });
            return intri;
        },
        py::arg("path"), "A Calibration from a calibration JSON file. Raises ReadError with the reason.");
}

}  // namespace quorix_python
