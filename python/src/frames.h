#pragma once

// Frames as numpy arrays without copies. An array made here views the frame's own pixels and holds a share
// of the frame (a Frame copy, which shares the pixel array) in a named capsule as its base, so the pixels
// live as long as any array or view refers to them, whatever happens to the device. The same capsule lets
// a later capture write into the very array again (out=).

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "quorix/Frame.h"
#include "status_error.h"

namespace quorix_python {

namespace py = pybind11;
using norvik::api::ElementColor;
using norvik::api::ElementDepth;
using norvik::api::ElementPointXYZ;
using norvik::api::ElementPointXYZBGR;
using norvik::api::Frame;

// How each element type looks to numpy: its scalar type and the length of the last axis (0: none).
template <typename T>
struct ArrayLayout;
template <>
struct ArrayLayout<ElementColor> {
    using Scalar = std::uint8_t;
    static constexpr py::ssize_t channels = 3;
    static constexpr const char* capsule = "quorix.frame.color";
};
template <>
struct ArrayLayout<ElementDepth> {
    using Scalar = float;
    static constexpr py::ssize_t channels = 0;
    static constexpr const char* capsule = "quorix.frame.depth";
};
template <>
struct ArrayLayout<ElementPointXYZ> {
    using Scalar = float;
    static constexpr py::ssize_t channels = 3;
    static constexpr const char* capsule = "quorix.frame.xyz";
};
template <>
struct ArrayLayout<ElementPointXYZBGR> {
    using Scalar = ElementPointXYZBGR;  // a structured dtype, registered by the module
    static constexpr py::ssize_t channels = 0;
    static constexpr const char* capsule = "quorix.frame.xyzbgr";
};

template <typename T>
py::dtype dtypeOf() {
    return py::dtype::of<typename ArrayLayout<T>::Scalar>();
}

template <typename T>
std::vector<py::ssize_t> shapeOf(std::uint32_t width, std::uint32_t height) {
    std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(height), static_cast<py::ssize_t>(width)};
    if (ArrayLayout<T>::channels) shape.push_back(ArrayLayout<T>::channels);
    return shape;
}

inline std::string shapeText(const std::vector<py::ssize_t>& shape) {
    std::string text = "(";
    for (std::size_t i = 0; i < shape.size(); ++i) text += (i ? ", " : "") + std::to_string(shape[i]);
    return text + (shape.size() == 1 ? ",)" : ")");
}

// The array viewing the frame's pixels; an empty frame gives an empty array of the right rank.
template <typename T>
py::array toArray(Frame<T> frame) {
    const std::vector<py::ssize_t> shape = shapeOf<T>(frame.width(), frame.height());
    if (frame.empty()) return py::array(dtypeOf<T>(), shape);
    auto* owner = new Frame<T>(std::move(frame));
    py::capsule base(owner, ArrayLayout<T>::capsule, [](PyObject* capsule) {
        delete static_cast<Frame<T>*>(PyCapsule_GetPointer(capsule, ArrayLayout<T>::capsule));
    });
    return py::array(dtypeOf<T>(), shape, owner->data(), base);
}

// The frame an array views when it is the whole of one made by toArray (or a full view of it), else null.
template <typename T>
const Frame<T>* frameBehind(const py::array& array) {
    const py::handle base = array.base();
    if (!base || !PyCapsule_IsValid(base.ptr(), ArrayLayout<T>::capsule)) return nullptr;
    const auto* frame =
        static_cast<const Frame<T>*>(PyCapsule_GetPointer(base.ptr(), ArrayLayout<T>::capsule));
    const std::vector<py::ssize_t> shape = shapeOf<T>(frame->width(), frame->height());
    if (array.data() != frame->data() || array.ndim() != static_cast<py::ssize_t>(shape.size()) ||
        !(array.flags() & py::array::c_style))
        return nullptr;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (array.shape(static_cast<py::ssize_t>(i)) != shape[i]) return nullptr;
    return frame;
}

// An out= argument: a writable, C-contiguous ndarray of the element type's dtype.
template <typename T>
py::array outArray(const py::object& out) {
    if (!py::isinstance<py::array>(out)) throw py::type_error("out must be a numpy.ndarray");
    py::array array = py::reinterpret_borrow<py::array>(out);
    if (!array.dtype().is(dtypeOf<T>()) && !array.dtype().equal(dtypeOf<T>()))
        throw py::type_error("out must have dtype " + py::str(dtypeOf<T>()).cast<std::string>() + ", not " +
                             py::str(array.dtype()).cast<std::string>());
    if (!(array.flags() & py::array::c_style)) throw py::value_error("out must be C-contiguous");
    if (!array.writeable()) throw py::value_error("out must be writable");
    return array;
}

// A frame a device keeps for captures into arrays it did not make (they are filled by one copy).
template <typename T>
struct ScratchFrame {
    std::mutex mutex;
    Frame<T> frame;
};

// Runs fill(Frame<T>&) -> ErrorStatus without the GIL and returns its result as an array: a new one without
// out; out itself, written in place, when it is (a full view of) an array of this module; out filled by
// one copy through scratch otherwise. Nothing frame-sized is allocated when out has the result's shape.
template <typename T, typename Fill>
py::array fillFrame(Fill&& fill, const py::object& out, ScratchFrame<T>& scratch) {
    if (out.is_none()) {
        Frame<T> frame;
        norvik::api::ErrorStatus status;
        {
            py::gil_scoped_release nogil;
            status = fill(frame);
        }
        check(status);
        return toArray(std::move(frame));
    }
    py::array target = outArray<T>(out);
    const std::vector<py::ssize_t> want(target.shape(), target.shape() + target.ndim());
    if (const Frame<T>* owner = frameBehind<T>(target)) {
        Frame<T> frame = *owner;  // shares the pixels: an unchanged size writes them in place
        norvik::api::ErrorStatus status;
        {
            py::gil_scoped_release nogil;
            status = fill(frame);
        }
        check(status);
        if (frame.data() != owner->data())
            throw py::value_error("out has shape " + shapeText(want) + ", the result is " +
                                  shapeText(shapeOf<T>(frame.width(), frame.height())));
        return target;
    }
    void* destination = target.mutable_data();
    norvik::api::ErrorStatus status;
    std::vector<py::ssize_t> got;
    {
        py::gil_scoped_release nogil;
        std::lock_guard<std::mutex> lock(scratch.mutex);
        status = fill(scratch.frame);
        got = shapeOf<T>(scratch.frame.width(), scratch.frame.height());
        if (status.code == norvik::api::Success && got == want)
            std::memcpy(destination, scratch.frame.data(),
                        sizeof(T) * scratch.frame.width() * static_cast<std::size_t>(scratch.frame.height()));
    }
    check(status);
    if (got != want)
        throw py::value_error("out has shape " + shapeText(want) + ", the result is " + shapeText(got));
    return target;
}

// A frame holding the array's elements: the frame itself when the array is one of ours, else a copy.
template <typename T>
Frame<T> frameOf(const py::array& input, const char* name) {
    if (const Frame<T>* frame = frameBehind<T>(input)) return *frame;
    const py::array_t<typename ArrayLayout<T>::Scalar, py::array::c_style | py::array::forcecast> array(
        input);
    const py::ssize_t rank = ArrayLayout<T>::channels ? 3 : 2;
    if (array.ndim() != rank || (rank == 3 && array.shape(2) != ArrayLayout<T>::channels))
        throw py::value_error(
            std::string(name) + " must have shape " + (rank == 3 ? "(height, width, 3)" : "(height, width)") +
            ", not " + shapeText(std::vector<py::ssize_t>(array.shape(), array.shape() + array.ndim())));
    Frame<T> frame;
    frame.resize(static_cast<std::uint32_t>(array.shape(1)), static_cast<std::uint32_t>(array.shape(0)));
    if (!frame.empty()) std::memcpy(frame.data(), array.data(), sizeof(T) * array.shape(0) * array.shape(1));
    return frame;
}

}  // namespace quorix_python
