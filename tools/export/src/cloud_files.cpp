#include "quorixexport/cloud_files.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

namespace quorix {
namespace files {

namespace api = norvik::api;

namespace {

// The points of a cloud in a form both point types share.
struct PointView {
    float x, y, z;
    std::uint8_t r, g, b;
};

PointView view(const api::ElementPointXYZ& p) { return {p.x, p.y, p.z, 0, 0, 0}; }
PointView view(const api::ElementPointXYZBGR& p) { return {p.x, p.y, p.z, p.r, p.g, p.b}; }

template <typename Point>
std::vector<PointView> pointsToWrite(const api::Frame<Point>& cloud, bool organized) {
    std::vector<PointView> points;
    const std::size_t count = static_cast<std::size_t>(cloud.width()) * cloud.height();
    if (cloud.empty()) return points;
    points.reserve(count);
    const Point* data = cloud.data();
    for (std::size_t i = 0; i < count; ++i) {
        PointView p = view(data[i]);
        if (!isMeasured(p.x, p.y, p.z)) {
            if (!organized) continue;
            p.x = p.y = p.z = 0;
        }
        points.push_back(p);
    }
    return points;
}

void appendBytes(std::string& out, const void* bytes, std::size_t size) {
    out.append(static_cast<const char*>(bytes), size);
}

// Little-endian on every host: the PLY header says so and PCD readers assume it.
void appendFloatLE(std::string& out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16),
                                    static_cast<unsigned char>(bits >> 24)};
    appendBytes(out, bytes, 4);
}

FileResult writeAll(const std::string& path, const std::string& header, const std::string& body) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return FileResult::failure(path, "cannot be created");
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.close();
    if (!out) return FileResult::failure(path, "could not be written completely");
    return {};
}

template <typename Point>
FileResult writePlyOf(const std::string& path, const api::Frame<Point>& cloud,
                      const CloudFileOptions& options, bool colored) {
    const std::vector<PointView> points = pointsToWrite(cloud, options.organized);
    std::ostringstream header;
    header << "ply\nformat " << (options.ascii ? "ascii" : "binary_little_endian") << " 1.0\n"
           << "comment Quorix point cloud, millimetres\n";
    if (options.organized)
        header << "obj_info width " << cloud.width() << " height " << cloud.height() << "\n";
    header << "element vertex " << points.size() << "\n"
           << "property float x\nproperty float y\nproperty float z\n";
    if (colored) header << "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    header << "end_header\n";

    std::string body;
    if (options.ascii) {
        std::ostringstream text;
        text.precision(std::numeric_limits<float>::max_digits10);
        for (const PointView& p : points) {
            text << p.x << ' ' << p.y << ' ' << p.z;
            if (colored) text << ' ' << int(p.r) << ' ' << int(p.g) << ' ' << int(p.b);
            text << '\n';
        }
        body = text.str();
    } else {
        body.reserve(points.size() * (colored ? 15 : 12));
        for (const PointView& p : points) {
            appendFloatLE(body, p.x);
            appendFloatLE(body, p.y);
            appendFloatLE(body, p.z);
            if (colored) {
                const std::uint8_t rgb[3] = {p.r, p.g, p.b};
                appendBytes(body, rgb, 3);
            }
        }
    }
    return writeAll(path, header.str(), body);
}

template <typename Point>
FileResult writePcdOf(const std::string& path, const api::Frame<Point>& cloud,
                      const CloudFileOptions& options, bool colored) {
    std::vector<PointView> points = pointsToWrite(cloud, options.organized);
    const std::size_t width = options.organized ? cloud.width() : points.size();
    const std::size_t height = options.organized ? cloud.height() : 1;
    std::ostringstream header;
    header << "# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n"
           << (colored ? "FIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F U\nCOUNT 1 1 1 1\n"
                       : "FIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\n")
           << "WIDTH " << width << "\nHEIGHT " << height << "\nVIEWPOINT 0 0 0 1 0 0 0\n"
           << "POINTS " << points.size() << "\nDATA binary\n";
    std::string body;
    body.reserve(points.size() * (colored ? 16 : 12));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const PointView& p : points) {
        // Organised clouds mark the pixels without a measurement with NaN, as point-cloud tools expect.
        const bool measured = isMeasured(p.x, p.y, p.z);
        appendFloatLE(body, measured ? p.x : nan);
        appendFloatLE(body, measured ? p.y : nan);
        appendFloatLE(body, measured ? p.z : nan);
        if (colored) {
            const std::uint32_t rgb = (std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b;
            const unsigned char bytes[4] = {static_cast<unsigned char>(rgb),
                                            static_cast<unsigned char>(rgb >> 8),
                                            static_cast<unsigned char>(rgb >> 16), 0};
            appendBytes(body, bytes, 4);
        }
    }
    return writeAll(path, header.str(), body);
}

}  // namespace

bool isMeasured(float x, float y, float z) {
    return z > 0 && std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

FileResult writePly(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                    const CloudFileOptions& options) {
    return writePlyOf(path, cloud, options, false);
}
FileResult writePly(const std::string& path, const api::Frame<api::ElementPointXYZBGR>& cloud,
                    const CloudFileOptions& options) {
    return writePlyOf(path, cloud, options, true);
}
FileResult writePcd(const std::string& path, const api::Frame<api::ElementPointXYZ>& cloud,
                    const CloudFileOptions& options) {
    return writePcdOf(path, cloud, options, false);
}
FileResult writePcd(const std::string& path, const api::Frame<api::ElementPointXYZBGR>& cloud,
                    const CloudFileOptions& options) {
    return writePcdOf(path, cloud, options, true);
}

}  // namespace files
}  // namespace quorix
