// The binary cloud writers, which pack a vector of points at a time, against a plain point-by-point writer
// of the same files: every byte, on clouds where measured and unmeasured points of every kind mix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <utility>

#include "hwy/targets.h"
#include "quorix/QuorixExport.h"

namespace {

using namespace norvik::api;
namespace files = norvik::files;

std::string scratch(const std::string& name) {
    return ::testing::TempDir() + "quorix_cloud_bytes_" + std::to_string(::getpid()) + "_" + name;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Coordinates of every kind: ordinary, zero and negative depth, NaN and infinities in any coordinate, the
// smallest positive depth. About a third of the points are unmeasured, at random places.
void fill(float& x, float& y, float& z, std::mt19937& random) {
    std::uniform_real_distribution<float> coordinate(-2000.0f, 2000.0f), depth(100.0f, 3000.0f);
    x = coordinate(random);
    y = coordinate(random);
    z = depth(random);
    static const float kOdd[] = {
        0.0f, -0.0f, -5.0f, kNaN, kInf, -kInf, std::numeric_limits<float>::denorm_min()};
    const unsigned pick = random() % 24;
    if (pick < 7) z = kOdd[pick];
    if (pick >= 7 && pick < 10) x = kOdd[3 + pick - 7];
    if (pick >= 10 && pick < 13) y = kOdd[3 + pick - 10];
}

void fill(ElementPointXYZ& p, std::mt19937& random) { fill(p.x, p.y, p.z, random); }
void fill(ElementPointXYZBGR& p, std::mt19937& random) {
    fill(p.x, p.y, p.z, random);
    p.b = static_cast<std::uint8_t>(random());
    p.g = static_cast<std::uint8_t>(random());
    p.r = static_cast<std::uint8_t>(random());
    // A padding byte that is not zero must not reach the file.
    reinterpret_cast<unsigned char*>(&p)[3] = static_cast<unsigned char>(random() | 1);
}

template <typename Point>
Frame<Point> randomCloud(std::uint32_t width, std::uint32_t height, unsigned seed) {
    Frame<Point> cloud;
    if (width * height == 0) return cloud;
    cloud.resize(width, height);
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) fill(cloud[i], random);
    return cloud;
}

void putFloat(std::string& out, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((bits >> shift) & 0xFF);
}

// The file a point-by-point writer makes.
// The shortest text that reads back as the same float, as the ASCII PLY writer puts it.
void putText(std::string& out, float v) {
    char text[32];
    out.append(text, std::isnan(v) ? std::strcpy(text, "nan") + 3 : std::to_chars(text, text + 32, v).ptr);
}

template <typename Point>
std::string referenceFile(const Frame<Point>& cloud, bool pcd, bool organized, bool ascii = false) {
    constexpr bool colored = std::is_same<Point, ElementPointXYZBGR>::value;
    const std::size_t count = std::size_t(cloud.width()) * cloud.height();
    std::string body;
    std::size_t written = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Point& p = cloud[i];
        const bool measured = p.z > 0 && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        if (!measured && !organized) continue;
        ++written;
        if (ascii) {
            for (float v : {p.x, p.y, p.z}) {
                putText(body, measured ? v : kNaN);
                body += ' ';
            }
            if constexpr (colored)
                for (int v : {p.r, p.g, p.b}) body += std::to_string(v) + ' ';
            body.back() = '\n';
            continue;
        }
        putFloat(body, measured ? p.x : kNaN);
        putFloat(body, measured ? p.y : kNaN);
        putFloat(body, measured ? p.z : kNaN);
        if constexpr (colored) {
            const char rgb[] = {char(p.r), char(p.g), char(p.b)},
                       bgr0[] = {char(p.b), char(p.g), char(p.r), 0};
            pcd ? body.append(bgr0, 4) : body.append(rgb, 3);
        }
    }
    const std::string n = std::to_string(written);
    if (pcd) {
        return std::string("# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n") +
               (colored ? "FIELDS x y z rgb\nSIZE 4 4 4 4\nTYPE F F F U\nCOUNT 1 1 1 1\n"
                        : "FIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\n") +
               "WIDTH " + (organized ? std::to_string(cloud.width()) : n) + "\nHEIGHT " +
               (organized ? std::to_string(cloud.height()) : "1") + "\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " + n +
               "\nDATA binary\n" + body;
    }
    return std::string("ply\nformat ") + (ascii ? "ascii" : "binary_little_endian") +
           " 1.0\ncomment Quorix point cloud, millimetres\n" +
           (organized ? "obj_info width " + std::to_string(cloud.width()) + " height " +
                            std::to_string(cloud.height()) + "\n"
                      : std::string()) +
           "element vertex " + n + "\nproperty float x\nproperty float y\nproperty float z\n" +
           (colored ? "property uchar red\nproperty uchar green\nproperty uchar blue\n" : "") +
           "end_header\n" + body;
}

template <typename Point>
void expectReferenceBytes(std::uint32_t width, std::uint32_t height) {
    const Frame<Point> cloud = randomCloud<Point>(width, height, width * 7919 + height);
    for (bool pcd : {false, true}) {
        for (bool organized : {false, true}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + (pcd ? " pcd" : " ply") +
                         (organized ? " organised" : "") + (sizeof(Point) == 16 ? " coloured" : ""));
            const std::string path = scratch(pcd ? "c.pcd" : "c.ply");
            const files::FileResult result = pcd ? files::writePcd(path, cloud, {false, organized})
                                                 : files::writePly(path, cloud, {false, organized});
            ASSERT_TRUE(result.ok()) << result.error;
            std::string bytes;
            ASSERT_TRUE(files::readTextFile(path, bytes));
            const std::string expected = referenceFile(cloud, pcd, organized);
            ASSERT_EQ(bytes.size(), expected.size());
            // The first differing byte, not a dump of megabytes.
            const auto differ = std::mismatch(bytes.begin(), bytes.end(), expected.begin());
            EXPECT_EQ(differ.first, bytes.end())
                << "first difference at byte " << (differ.first - bytes.begin());
            std::remove(path.c_str());
        }
    }
}

// Sizes that fill no vector, block or share of the parallel count exactly, several of each, and none at all.
const std::pair<std::uint32_t, std::uint32_t> kSizes[] = {
    {0, 0}, {1, 1}, {3, 1}, {5, 7}, {17, 3}, {33, 31}, {131, 127}, {1, 16389}, {300, 241}, {521, 263}};

// With every instruction set the writers were built for that this machine runs.
template <typename Point>
void expectReferenceBytesEverywhere() {
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        for (const auto& size : kSizes) expectReferenceBytes<Point>(size.first, size.second);
    }
    hwy::SetSupportedTargetsForTest(0);
}

TEST(CloudFileBytes, PlainCloudsMatchAPointByPointWriter) {
    expectReferenceBytesEverywhere<ElementPointXYZ>();
}

// Text goes through the same blocks, without vectors.
TEST(CloudFileBytes, TextCloudsMatchAPointByPointWriter) {
    for (const auto& size : {std::make_pair(5u, 7u), std::make_pair(300u, 241u)}) {
        const Frame<ElementPointXYZBGR> cloud = randomCloud<ElementPointXYZBGR>(size.first, size.second, 99);
        for (bool organized : {false, true}) {
            const std::string path = scratch("t.ply");
            ASSERT_TRUE(files::writePly(path, cloud, {true, organized}).ok());
            std::string text;
            ASSERT_TRUE(files::readTextFile(path, text));
            EXPECT_TRUE(text == referenceFile(cloud, false, organized, true))
                << size.first << " organised " << organized;
            std::remove(path.c_str());
        }
    }
}

TEST(CloudFileBytes, ColouredCloudsMatchAPointByPointWriter) {
    expectReferenceBytesEverywhere<ElementPointXYZBGR>();
}

}  // namespace
