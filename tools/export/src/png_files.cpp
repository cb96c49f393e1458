// PNG through libpng's simplified interface: it reports errors in the image record instead of jumping out
// of our frames.
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "quorixexport/image_files.h"
#include "tiff_reader.h"

namespace quorix {
namespace files {

namespace api = norvik::api;

namespace {

FileResult writePng(const std::string& path, png_uint_32 width, png_uint_32 height, png_uint_32 format,
                    const void* pixels) {
    if (width == 0 || height == 0) return FileResult::failure(path, "nothing to write (empty image)");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    if (!png_image_write_to_file(&image, path.c_str(), 0, pixels, 0, nullptr))
        return FileResult::failure(path, std::string("PNG not written: ") + image.message);
    return {};
}

// Opens a PNG for reading in the given format; the pixels land in out.
template <typename Sample>
FileResult readPng(const std::string& path, png_uint_32 format, std::vector<Sample>& out, png_uint_32& width,
                   png_uint_32& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return FileResult::failure(path, std::string("not a readable PNG: ") + image.message);
    if (static_cast<std::size_t>(image.width) * image.height > kMaxReadPixels) {
        png_image_free(&image);
        return FileResult::failure(path, "the PNG is too large");
    }
    image.format = format;
    const std::size_t bytes = PNG_IMAGE_SIZE(image);
    out.resize(bytes / sizeof(Sample));
    if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) {
        png_image_free(&image);
        return FileResult::failure(path, std::string("PNG not read: ") + image.message);
    }
    width = image.width;
    height = image.height;
    return {};
}

bool startsWith(const std::string& path, const unsigned char* signature, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char head[8] = {};
    const std::size_t read = std::fread(head, 1, size, file);
    std::fclose(file);
    return read == size && std::memcmp(head, signature, size) == 0;
}

}  // namespace

bool hasExtension(const std::string& path, const std::string& suffix) {
    if (path.size() < suffix.size()) return false;
    return std::equal(suffix.rbegin(), suffix.rend(), path.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

FileResult writeColorPng(const std::string& path, const api::Frame<api::ElementColor>& image) {
    if (image.empty()) return FileResult::failure(path, "nothing to write (empty image)");
    return writePng(path, image.width(), image.height(), PNG_FORMAT_BGR, image.data());
}

FileResult writeDepthPng16(const std::string& path, const api::Frame<api::ElementDepth>& depth) {
    if (depth.empty()) return FileResult::failure(path, "nothing to write (empty depth map)");
    const std::size_t count = static_cast<std::size_t>(depth.width()) * depth.height();
    std::vector<png_uint_16> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const float d = depth.data()[i].d;
        samples[i] =
            (d > 0 && std::isfinite(d)) ? static_cast<png_uint_16>(std::lround(std::min(d, 65535.0f))) : 0;
    }
    // "Linear" is the simplified interface's name for 16-bit samples stored as they are.
    return writePng(path, depth.width(), depth.height(), PNG_FORMAT_LINEAR_Y, samples.data());
}

FileResult readColorPng(const std::string& path, api::Frame<api::ElementColor>& image) {
    std::vector<png_byte> pixels;
    png_uint_32 width = 0, height = 0;
    FileResult result = readPng(path, PNG_FORMAT_BGR, pixels, width, height);
    if (!result.ok()) return result;
    image.resize(width, height);
    std::memcpy(image.data(), pixels.data(), pixels.size());
    return {};
}

FileResult readDepthMap(const std::string& path, api::Frame<api::ElementDepth>& depth) {
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!startsWith(path, kPng, sizeof kPng)) return readDepthTiff(path, depth);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return FileResult::failure(path, std::string("not a readable PNG: ") + image.message);
    const bool gray16 = (image.format & (PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_ALPHA)) == 0 &&
                        (image.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    png_image_free(&image);
    if (!gray16) return FileResult::failure(path, "a depth PNG must be 16-bit gray (millimetres)");
    std::vector<png_uint_16> samples;
    png_uint_32 width = 0, height = 0;
    FileResult result = readPng(path, PNG_FORMAT_LINEAR_Y, samples, width, height);
    if (!result.ok()) return result;
    depth.resize(width, height);
    for (std::size_t i = 0; i < samples.size(); ++i) depth.data()[i].d = samples[i];
    return {};
}

}  // namespace files
}  // namespace quorix
