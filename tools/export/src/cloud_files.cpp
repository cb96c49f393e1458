// PLY and PCD in blocks: a second thread packs the points of the next block (binary records a vector at a
// time, see cloud_packing.h) while this one writes a block with one call, so the writers run close to the
// speed of copying the bytes.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "block_pipeline.h"
#include "cloud_packing.h"
#include "quorix/QuorixExport.h"
#include "temporary_file.h"
#include "write_progress.h"

namespace norvik {
namespace files {

namespace {

// Points per block: binary blocks of about a megabyte keep the hand-overs between the threads few; text
// is about five times larger.
constexpr std::size_t kBinaryBlockPoints = 65536;
constexpr std::size_t kTextBlockPoints = 16384;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kLittleEndian = false;
#else
constexpr bool kLittleEndian = true;
#endif

struct Colour {
    std::uint8_t r, g, b;
};
Colour colourOf(const api::ElementPointXYZ&) { return {0, 0, 0}; }
Colour colourOf(const api::ElementPointXYZBGR& p) { return {p.r, p.g, p.b}; }

// Little-endian on every host: the PLY header says so and PCD readers assume it.
inline char* putFloat(char* out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (!kLittleEndian) bits = __builtin_bswap32(bits);
    std::memcpy(out, &bits, sizeof bits);
    return out + 4;
}

// isMeasured, inlined into the loops (the exported function may be interposed, so calls to it are not).
// Without branches: points with and without a measurement mix at random in real clouds.
inline bool finite(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits & 0x7F800000u) != 0x7F800000u;
}
inline bool measured(float x, float y, float z) { return (z > 0) & finite(x) & finite(y) & finite(z); }

// What each point becomes in the file, appended at out; returns the end.
enum class Layout { BinaryPly, AsciiPly, Pcd };

template <Layout layout, typename Point>
char* putPoint(char* out, const Point& p, bool kept) {
    constexpr bool colored = sizeof(Point) == sizeof(api::ElementPointXYZBGR);
    const float x = kept ? p.x : kNaN, y = kept ? p.y : kNaN, z = kept ? p.z : kNaN;
    const Colour c = colourOf(p);
    if constexpr (layout == Layout::AsciiPly) {
        // The shortest text that reads back as the same float.
        for (float v : {x, y, z}) {
            if (std::isnan(v)) {
                std::memcpy(out, "nan", 3);
                out += 3;
            } else {
                out = std::to_chars(out, out + 24, v).ptr;
            }
            *out++ = ' ';
        }
        if constexpr (colored) {
            for (std::uint8_t v : {c.r, c.g, c.b}) {
                out = std::to_chars(out, out + 4, static_cast<unsigned>(v)).ptr;
                *out++ = ' ';
            }
        }
        out[-1] = '\n';
        return out;
    }
    out = putFloat(putFloat(putFloat(out, x), y), z);
    if constexpr (!colored) return out;
    if constexpr (layout == Layout::BinaryPly) {
        *out++ = static_cast<char>(c.r);
        *out++ = static_cast<char>(c.g);
        *out++ = static_cast<char>(c.b);
        return out;
    }
    // PCD's packed "rgb": 0x00RRGGBB as a little-endian 32-bit value.
    *out++ = static_cast<char>(c.b);
    *out++ = static_cast<char>(c.g);
    *out++ = static_cast<char>(c.r);
    *out++ = 0;
    return out;
}

std::size_t maxPointBytes(bool colored, Layout layout) {
    if (layout == Layout::AsciiPly) return 3 * 25 + (colored ? 3 * 4 : 0);
    return 12 + (colored ? 4 : 0);
}

// One point at a time: text, and binary records on big-endian hosts. Returns the end.
template <Layout layout, typename Point>
char* putPoints(const Point* points, std::size_t count, bool organized, char* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const Point& p = points[i];
        const bool kept = measured(p.x, p.y, p.z);
        if (organized) {
            out = putPoint<layout>(out, p, kept);
        } else if constexpr (layout == Layout::AsciiPly) {
            if (kept) out = putPoint<layout>(out, p, true);
        } else {
            // Written always, kept by moving on: no branch on the measurement.
            char* next = putPoint<layout>(out, p, true);
            out = kept ? next : out;
        }
    }
    return out;
}

template <typename Point>
char* packBlock(const Point* points, std::size_t count, bool organized, Layout layout, char* out) {
    if (layout == Layout::AsciiPly) return putPoints<Layout::AsciiPly>(points, count, organized, out);
    if (kLittleEndian)
        return out + packPoints(points, count, organized,
                                layout == Layout::Pcd ? BinaryFormat::Pcd : BinaryFormat::Ply, out);
    if (layout == Layout::Pcd) return putPoints<Layout::Pcd>(points, count, organized, out);
    return putPoints<Layout::BinaryPly>(points, count, organized, out);
}

// Writes the header, then the points (all of them when organised, the measured ones otherwise) in blocks,
// packing the next block while writing this one.
template <typename Point>
FileResult writePoints(const std::string& path, const api::Frame<Point>& cloud,
                       const CloudFileOptions& options, Layout layout, const std::string& header) {
    TemporaryFile file(path);
    if (!file.ok()) return file.creationFailure();
    file.write(header.data(), header.size());
    const std::size_t count = static_cast<std::size_t>(cloud.width()) * cloud.height();
    const bool colored = sizeof(Point) == sizeof(api::ElementPointXYZBGR);
    const std::size_t blockPoints = layout == Layout::AsciiPly ? kTextBlockPoints : kBinaryBlockPoints;
    std::vector<char> buffers[2];
    std::size_t packed[2] = {0, 0};
    for (std::vector<char>& buffer : buffers)
        buffer.resize(std::min(count, blockPoints) * maxPointBytes(colored, layout) + kPackSlack);
    WriteProgress progress(path, layout == Layout::AsciiPly ? count : 0);
    pipelineBlocks(
        (count + blockPoints - 1) / blockPoints,
        [&](std::size_t k) {
            const std::size_t begin = k * blockPoints, end = std::min(count, begin + blockPoints);
            char* const buffer = buffers[k % 2].data();
            packed[k % 2] = static_cast<std::size_t>(
                packBlock(cloud.data() + begin, end - begin, options.organized, layout, buffer) - buffer);
        },
        [&](std::size_t k) {
            if (!file.write(buffers[k % 2].data(), packed[k % 2])) return false;
            progress.update(std::min(count, (k + 1) * blockPoints));
            return true;
        });
    return file.commit();
}

template <typename Point>
FileResult writePlyOf(const std::string& path, const api::Frame<Point>& cloud,
                      const CloudFileOptions& options) {
    const bool colored = sizeof(Point) == sizeof(api::ElementPointXYZBGR);
    const std::size_t count = static_cast<std::size_t>(cloud.width()) * cloud.height();
    const std::size_t written = options.organized ? count : countMeasured(cloud.data(), count);
    std::string header = std::string("ply\nformat ") + (options.ascii ? "ascii" : "binary_little_endian") +
                         " 1.0\ncomment Quorix point cloud, millimetres\n";
    if (options.organized)
        header += "obj_info width " + std::to_string(cloud.width()) + " height " +
                  std::to_string(cloud.height()) + "\n";
    header += "element vertex " + std::to_string(written) +
              "\nproperty float x\nproperty float y\nproperty float z\n";
    if (colored) header += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    header += "end_header\n";
    return writePoints(path, cloud, options, options.ascii ? Layout::AsciiPly : Layout::BinaryPly, header);
}

template <typename Point>
FileResult writePcdOf(const std::string& path, const api::Frame<Point>& cloud,
                      const CloudFileOptions& options) {
    const bool colored = sizeof(Point) == sizeof(api::ElementPointXYZBGR);
    const std::size_t count = static_cast<std::size_t>(cloud.width()) * cloud.height();
    const std::size_t written = options.organized ? count : countMeasured(cloud.data(), count);
    const std::size_t width = options.organized ? cloud.width() : written;
    const std::size_t height = options.organized ? cloud.height() : 1;
    const std::string header = std::string("# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n") +
                               (colored ? "FIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F U\nCOUNT 1 1 1 1\n"
                                        : "FIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\n") +
                               "WIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                               "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " + std::to_string(written) +
                               "\nDATA binary\n";
    return writePoints(path, cloud, options, Layout::Pcd, header);
}

template <typename Point>
FileResult writeCloudOf(const std::string& path, const api::Frame<Point>& cloud,
                        const CloudFileOptions& options) {
    if (hasExtension(path, ".pcd")) return writePcdOf(path, cloud, options);
    if (hasExtension(path, ".ply")) return writePlyOf(path, cloud, options);
    return FileResult::failure(path, "a point cloud is written as .ply or .pcd");
}

}  // namespace

bool isMeasured(float x, float y, float z) { return measured(x, y, z); }

FileResult writePly(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                    const CloudFileOptions& options) {
    return writePlyOf(path, cloud, options);
}
FileResult writePly(const std::string& path, const api::Frame<api::ElementPointXYZBGR>& cloud,
                    const CloudFileOptions& options) {
    return writePlyOf(path, cloud, options);
}
FileResult writePcd(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                    const CloudFileOptions& options) {
    return writePcdOf(path, cloud, options);
}
FileResult writePcd(const std::string& path, const api::Frame<api::ElementPointXYZBGR>& cloud,
                    const CloudFileOptions& options) {
    return writePcdOf(path, cloud, options);
}
FileResult writeCloud(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                      const CloudFileOptions& options) {
    return writeCloudOf(path, cloud, options);
}
FileResult writeCloud(const std::string& path, const api::Frame<api::ElementPointXYZBGR>& cloud,
                      const CloudFileOptions& options) {
    return writeCloudOf(path, cloud, options);
}

}  // namespace files
}  // namespace norvik
