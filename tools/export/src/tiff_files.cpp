#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "quorix/QuorixExport.h"
#include "temporary_file.h"
#include "tiff_reader.h"

namespace norvik {
namespace files {

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
    static_assert(sizeof(api::ElementDepth) == sizeof(float), "a depth element is one float");
    silence();
    TemporaryFile file(path);
    if (!file.ok()) return file.creationFailure();
    file.closeStream();  // libtiff writes through the name
    {
        TiffHandle tiff(TIFFOpen(file.path().c_str(), "w"));
        if (!tiff) return FileResult::failure(path, "cannot be created");
        TIFF* t = tiff.get();
        const std::uint32_t width = depth.width(), height = depth.height();
        // Strips of about a megabyte: few calls, and readers can still read a part.
        const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, (1u << 20) / (width * 4u));
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
        TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, "depth in millimetres, 0 where nothing was measured");
        // The floats go out in the host's byte order, which the file's header records; uncompressed strips
        // are written from the frame as they are.
        auto* bytes = reinterpret_cast<unsigned char*>(const_cast<api::ElementDepth*>(depth.data()));
        for (std::uint32_t row = 0, strip = 0; row < height; row += rowsPerStrip, ++strip) {
            const std::uint32_t rows = std::min(rowsPerStrip, height - row);
            const tmsize_t size = static_cast<tmsize_t>(rows) * width * 4;
            if (TIFFWriteEncodedStrip(t, strip, bytes + static_cast<std::size_t>(row) * width * 4, size) !=
                size)
                return FileResult::failure(path, "TIFF not written");
        }
        if (!TIFFFlush(t)) return FileResult::failure(path, "TIFF not written");
    }
    return file.commit();
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
}  // namespace norvik
