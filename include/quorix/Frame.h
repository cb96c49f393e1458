#pragma once

// The image container shared between the host and the library, and the four pixel types it holds. Its
// layout is part of the exported interface: both sides compile these inline members.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace norvik {
namespace api {

// One pixel of the 2D image; an array of them is a packed B-G-R image.
struct ElementColor {
    std::uint8_t b;
    std::uint8_t g;
    std::uint8_t r;
};

// Depth along the depth camera's optical axis in millimetres; 0 where nothing was measured.
struct ElementDepth {
    float d;
};

// A point in the depth camera's frame, in millimetres.
struct ElementPointXYZ {
    float x;
    float y;
    float z;
};

// A point with the colour the 2D camera saw there.
struct ElementPointXYZBGR {
    std::uint8_t b;
    std::uint8_t g;
    std::uint8_t r;
    float x;
    float y;
    float z;
};

static_assert(sizeof(ElementColor) == 3 && alignof(ElementColor) == 1,
              "colour pixels are three packed bytes");
static_assert(sizeof(ElementDepth) == 4, "one float per depth pixel");
static_assert(sizeof(ElementPointXYZ) == 12, "three floats per point");
// Natural alignment: one padding byte after r, so that x, y and z are aligned floats.
static_assert(sizeof(ElementPointXYZBGR) == 16 && offsetof(ElementPointXYZBGR, x) == 4 &&
                  offsetof(ElementPointXYZBGR, z) == 12,
              "coloured points are b, g, r, one padding byte, then x, y, z");

// Row-major pixels of width x height elements without gaps between rows. Copies share the array.
template <typename T>
class Frame {
public:
    Frame() = default;

    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    bool empty() const { return !data_; }

    // Keeps the array (and its values) when the size is unchanged; otherwise a new zeroed array. The frame
    // is left as it was if the allocation fails.
    void resize(std::uint32_t width, std::uint32_t height) {
        if (width == width_ && height == height_) return;
        const std::size_t count = static_cast<std::size_t>(width) * height;
        data_ = std::shared_ptr<T>(new T[count](), ArrayDeleter{});
        width_ = width;
        height_ = height;
    }

    void release() {
        data_.reset();
        width_ = 0;
        height_ = 0;
    }

    T& operator[](std::size_t index) { return data_.get()[checkedIndex(index)]; }
    const T& operator[](std::size_t index) const { return data_.get()[checkedIndex(index)]; }

    T& at(std::uint32_t row, std::uint32_t col) { return data_.get()[checkedIndex(row, col)]; }
    const T& at(std::uint32_t row, std::uint32_t col) const { return data_.get()[checkedIndex(row, col)]; }

private:
    struct ArrayDeleter {
        void operator()(T* array) const { delete[] array; }
    };

    std::size_t checkedIndex(std::size_t index) const {
        if (!data_ || index >= static_cast<std::size_t>(width_) * height_)
            throw std::out_of_range("invalid subscript");
        return index;
    }
    std::size_t checkedIndex(std::uint32_t row, std::uint32_t col) const {
        if (!data_ || row >= height_ || col >= width_) throw std::out_of_range("invalid subscript");
        return static_cast<std::size_t>(row) * width_ + col;
    }

    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::shared_ptr<T> data_;
};

}  // namespace api
}  // namespace norvik
