#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "quorixexport/image_files.h"
#include "tiff_reader.h"

namespace quorix {
namespace files {

namespace api = norvik::api;

namespace {

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// libtiff prints its complaints by default; ours go into the result instead.
void silence() {
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
}

}  // namespace

FileResult writeDepthTiff(const std::string& path, const api::Frame<api::ElementDepth>& depth) {
    if (depth.empty()) return FileResult::failure(path, "nothing to write (empty depth map)");
    silence();
    TiffHandle tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff) return FileResult::failure(path, "cannot be created");
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, depth.width());
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, depth.height());
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, "depth in millimetres, 0 where nothing was measured");
    std::vector<float> row(depth.width());
    for (std::uint32_t y = 0; y < depth.height(); ++y) {
        const api::ElementDepth* src = depth.data() + static_cast<std::size_t>(y) * depth.width();
        for (std::uint32_t x = 0; x < depth.width(); ++x) row[x] = src[x].d;
        if (TIFFWriteScanline(t, row.data(), y, 0) < 0) return FileResult::failure(path, "TIFF not written");
    }
    if (!TIFFFlush(t)) return FileResult::failure(path, "TIFF not written");
    return {};
}

FileResult readDepthTiff(const std::string& path, api::Frame<api::ElementDepth>& depth) {
    silence();
    TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff) return FileResult::failure(path, "neither a readable TIFF nor a PNG");
    TIFF* t = tiff.get();
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 0, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    if (samples != 1 || bits != 32 || format != SAMPLEFORMAT_IEEEFP || TIFFIsTiled(t))
        return FileResult::failure(path, "a depth TIFF must be one 32-bit float sample per pixel, in strips");
    if (width == 0 || height == 0) return FileResult::failure(path, "the TIFF is empty");
    if (static_cast<std::size_t>(width) * height > kMaxReadPixels)
        return FileResult::failure(path, "the TIFF is too large");
    if (static_cast<std::size_t>(TIFFScanlineSize(t)) != width * sizeof(float))
        return FileResult::failure(path, "unexpected TIFF row size");
    std::vector<float> row(width);
    api::Frame<api::ElementDepth> read;
    read.resize(width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(t, row.data(), y, 0) < 0)
            return FileResult::failure(path, "TIFF rows unreadable");
        api::ElementDepth* dst = read.data() + static_cast<std::size_t>(y) * width;
        for (std::uint32_t x = 0; x < width; ++x) dst[x].d = row[x];
    }
    depth = read;
    return {};
}

}  // namespace files
}  // namespace quorix
