// PNG through libpng's full interface, so that the compression level can be chosen and samples are read as
// stored (the simplified interface applies gamma correction, which turns depth and mask samples into other
// numbers). libpng reports errors by jumping out of its calls: only the functions that set the jump point
// touch libpng, and they hold nothing that needs destroying.
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "quorix/QuorixExport.h"
#include "temporary_file.h"
#include "tiff_reader.h"

namespace norvik {
namespace files {

namespace {

struct PngError {
    char message[256] = "";
};

void onError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", message);
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

// What an image looks like to the writer: rows of bytes, 8-bit BGR or 16-bit gray in host order.
struct PngLayout {
    png_uint_32 width, height;
    int colorType;  // PNG_COLOR_TYPE_RGB (given as BGR) or PNG_COLOR_TYPE_GRAY (16-bit)
    int bitDepth;
    int level;
};

// False with the reason in error.
bool encodePng(std::FILE* file, const PngLayout& layout, png_bytep* rows, PngError& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onError, onWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, std::clamp(layout.level, 0, 9));
    // The cheap filter at fast levels: adaptive filtering costs more than the fast compression itself.
    png_set_filter(png, PNG_FILTER_TYPE_BASE,
                   layout.level == 0   ? PNG_FILTER_NONE
                   : layout.level <= 3 ? PNG_FILTER_SUB
                                       : PNG_ALL_FILTERS);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    if (layout.colorType == PNG_COLOR_TYPE_RGB) png_set_bgr(png);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (layout.bitDepth == 16) png_set_swap(png);
#endif
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

FileResult writePng(const std::string& path, const PngLayout& layout, const void* pixels,
                    std::size_t rowBytes) {
    if (layout.width == 0 || layout.height == 0)
        return FileResult::failure(path, "nothing to write (empty image)");
    if (layout.level < 0 || layout.level > 9)
        return FileResult::failure(path, "the PNG compression level must be 0 to 9");
    std::vector<png_bytep> rows(layout.height);
    for (png_uint_32 y = 0; y < layout.height; ++y)
        rows[y] = const_cast<png_bytep>(static_cast<const png_byte*>(pixels) + y * rowBytes);
    TemporaryFile file(path);
    if (!file.ok()) return file.creationFailure();
    PngError error;
    if (!encodePng(file.stream(), layout, rows.data(), error))
        return FileResult::failure(path, std::string("PNG not written: ") + error.message);
    return file.commit();
}

// What the reader gives: 8-bit BGR, or 16-bit gray in host order.
enum class PngSamples { Bgr8, Gray16 };

struct PngRead {
    png_uint_32 width = 0, height = 0;
    int colorType = 0, bitDepth = 0;
};

// Reads the header into read; then, when pixels is given a buffer of the right size by prepare, the pixels.
// The samples are taken as stored: no gamma or colour-space conversion.
template <typename Prepare>
bool decodePng(std::FILE* file, PngSamples samples, PngRead& read, const Prepare& prepare, PngError& error) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, onError, onWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_user_limits(png, 1u << 20, 1u << 20);
    png_read_info(png, info);
    read.width = png_get_image_width(png, info);
    read.height = png_get_image_height(png, info);
    read.colorType = png_get_color_type(png, info);
    read.bitDepth = png_get_bit_depth(png, info);
    png_bytep* rows = prepare(read);
    if (rows == nullptr) {
        png_destroy_read_struct(&png, &info, nullptr);
        return true;
    }
    if (samples == PngSamples::Bgr8) {
        png_set_expand(png);  // palette and low-bit gray to 8 bits, transparency to alpha
        png_set_strip_16(png);
        png_set_strip_alpha(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    } else {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        png_set_swap(png);
#endif
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Reads the PNG at path into pixels (bytesPerPixel each, rows packed); accept checks the header.
template <typename Sample, typename Accept>
FileResult readPng(const std::string& path, PngSamples samples, std::size_t samplesPerPixel,
                   std::vector<Sample>& pixels, PngRead& read, const Accept& accept) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return FileResult::failure(path, "cannot be opened");
    std::vector<png_bytep> rows;
    std::string refusal;
    PngError error;
    const bool decoded = decodePng(
        file, samples, read,
        [&](const PngRead& header) -> png_bytep* {
            refusal = accept(header);
            if (!refusal.empty()) return nullptr;
            if (static_cast<std::size_t>(header.width) * header.height > kMaxReadPixels) {
                refusal = "the PNG is too large";
                return nullptr;
            }
            const std::size_t rowSamples = static_cast<std::size_t>(header.width) * samplesPerPixel;
            pixels.assign(rowSamples * header.height, 0);
            rows.resize(header.height);
            for (png_uint_32 y = 0; y < header.height; ++y)
                rows[y] = reinterpret_cast<png_bytep>(pixels.data() + y * rowSamples);
            return rows.data();
        },
        error);
    std::fclose(file);
    if (!decoded) return FileResult::failure(path, std::string("not a readable PNG: ") + error.message);
    if (!refusal.empty()) return FileResult::failure(path, refusal);
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

FileResult writeColorPng(const std::string& path, const api::Frame<api::ElementColor>& image, int pngLevel) {
    if (image.empty()) return FileResult::failure(path, "nothing to write (empty image)");
    return writePng(path, {image.width(), image.height(), PNG_COLOR_TYPE_RGB, 8, pngLevel}, image.data(),
                    static_cast<std::size_t>(image.width()) * 3);
}

FileResult writeDepthPng16(const std::string& path, const api::Frame<api::ElementDepth>& depth,
                           int pngLevel) {
    if (depth.empty()) return FileResult::failure(path, "nothing to write (empty depth map)");
    const std::size_t count = static_cast<std::size_t>(depth.width()) * depth.height();
    std::vector<std::uint16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const float d = depth.data()[i].d;
        samples[i] =
            (d > 0 && std::isfinite(d)) ? static_cast<std::uint16_t>(std::lround(std::min(d, 65535.0f))) : 0;
    }
    return writePng(path, {depth.width(), depth.height(), PNG_COLOR_TYPE_GRAY, 16, pngLevel}, samples.data(),
                    static_cast<std::size_t>(depth.width()) * 2);
}

FileResult writeDepthMap(const std::string& path, const api::Frame<api::ElementDepth>& depth, int pngLevel) {
    if (hasExtension(path, ".png")) return writeDepthPng16(path, depth, pngLevel);
    if (hasExtension(path, ".tiff") || hasExtension(path, ".tif")) return writeDepthTiff(path, depth);
    return FileResult::failure(path, "a depth map is written as .tiff, .tif or .png");
}

FileResult readColorPng(const std::string& path, api::Frame<api::ElementColor>& image) {
    std::vector<png_byte> pixels;
    PngRead read;
    FileResult result =
        readPng(path, PngSamples::Bgr8, 3, pixels, read, [](const PngRead&) { return std::string(); });
    if (!result.ok()) return result;
    image.resize(read.width, read.height);
    std::memcpy(image.data(), pixels.data(), pixels.size());
    return {};
}

FileResult readDepthMap(const std::string& path, api::Frame<api::ElementDepth>& depth) {
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!startsWith(path, kPng, sizeof kPng)) return readDepthTiff(path, depth);
    std::vector<std::uint16_t> samples;
    PngRead read;
    FileResult result = readPng(path, PngSamples::Gray16, 1, samples, read, [](const PngRead& header) {
        return header.colorType == PNG_COLOR_TYPE_GRAY && header.bitDepth == 16
                   ? std::string()
                   : std::string("a depth PNG must be 16-bit gray (millimetres)");
    });
    if (!result.ok()) return result;
    depth.resize(read.width, read.height);
    for (std::size_t i = 0; i < samples.size(); ++i) depth.data()[i].d = samples[i];
    return {};
}

}  // namespace files
}  // namespace norvik
