// The export library's readers against its writers, and against files they must refuse without crashing.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>

#include "quorix/QuorixExport.h"
#include "quorixexport/calibration_file.h"

namespace {

using namespace norvik::api;
namespace files = norvik::files;

std::string scratch(const std::string& name) {
    return ::testing::TempDir() + "quorix_export_" + std::to_string(::getpid()) + "_" + name;
}

Frame<ElementDepth> sampleDepth() {
    Frame<ElementDepth> depth;
    depth.resize(7, 5);
    for (std::uint32_t i = 0; i < 35; ++i) depth[i].d = i % 4 == 0 ? 0.0f : 300.0f + i * 12.3456f;
    return depth;
}

TEST(ExportFiles, DepthTiffKeepsEveryFloatAndPngKeepsWholeMillimetres) {
    const Frame<ElementDepth> depth = sampleDepth();
    ASSERT_TRUE(files::writeDepthTiff(scratch("d.tiff"), depth).ok());
    ASSERT_TRUE(files::writeDepthPng16(scratch("d.png"), depth).ok());
    Frame<ElementDepth> tiff, png;
    ASSERT_TRUE(files::readDepthMap(scratch("d.tiff"), tiff).ok());
    ASSERT_TRUE(files::readDepthMap(scratch("d.png"), png).ok());
    ASSERT_EQ(tiff.width(), 7u);
    ASSERT_EQ(png.height(), 5u);
    for (std::uint32_t i = 0; i < 35; ++i) {
        EXPECT_EQ(tiff[i].d, depth[i].d);
        EXPECT_EQ(png[i].d, std::round(depth[i].d));
    }
}

TEST(ExportFiles, ColourPngRoundTripsBgrOrder) {
    Frame<ElementColor> image;
    image.resize(3, 2);
    for (std::uint32_t i = 0; i < 6; ++i)
        image[i] = {std::uint8_t(i), std::uint8_t(100 + i), std::uint8_t(200 + i)};
    ASSERT_TRUE(files::writeColorPng(scratch("c.png"), image).ok());
    Frame<ElementColor> read;
    ASSERT_TRUE(files::readColorPng(scratch("c.png"), read).ok());
    for (std::uint32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(read[i].b, image[i].b);
        EXPECT_EQ(read[i].r, image[i].r);
    }
}

TEST(ExportFiles, CalibrationRoundTripsAndNamesTheBadMember) {
    DeviceIntri intri;
    intri.intrinsic3DCamera.intrinsic[0] = 1766.4;
    intri.intrinsic2DCamera.distCoefficients[4] = -0.25;
    intri.rotation[0][2] = 0.05;
    intri.translation[0] = -62.5;
    ASSERT_TRUE(files::writeCalibration(scratch("cal.json"), intri).ok());
    DeviceIntri read;
    ASSERT_TRUE(files::readCalibration(scratch("cal.json"), read).ok());
    EXPECT_EQ(read.intrinsic3DCamera.intrinsic[0], 1766.4);
    EXPECT_EQ(read.intrinsic2DCamera.distCoefficients[4], -0.25);
    EXPECT_EQ(read.rotation[0][2], 0.05);
    EXPECT_EQ(read.translation[0], -62.5);

    const struct {
        const char* text;
        const char* named;
    } bad[] = {
        {"[]", "object"},
        {"{\"camera2D\": {\"fx\": \"wide\"}}", "camera2D.fx"},
        {"not json", "not JSON"},
        {"{\"calibration\": 3}", "object"},
    };
    for (const auto& c : bad) {
        DeviceIntri untouched;
        const files::FileResult result = files::parseCalibration(c.text, untouched);
        EXPECT_NE(result.error.find(c.named), std::string::npos) << c.text << " -> " << result.error;
        EXPECT_EQ(untouched.translation[0], 0);
    }
    Json::Value wrongRows = files::calibrationToValue(intri);
    wrongRows["rotation"][1] = Json::Value(Json::arrayValue);
    EXPECT_FALSE(files::calibrationFromValue(wrongRows, read).ok());
}

TEST(ExportFiles, ReadersRefuseFilesThatAreNotWhatTheySeem) {
    const std::string text = scratch("text.png"), cut = scratch("cut.png"), gray8 = scratch("gray8.png");
    std::ofstream(text) << "hello";
    Frame<ElementColor> image;
    image.resize(40, 30);
    ASSERT_TRUE(files::writeColorPng(cut, image).ok());
    std::string bytes;
    ASSERT_TRUE(files::readTextFile(cut, bytes));
    std::ofstream(cut, std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() / 2);
    ASSERT_TRUE(files::writeColorPng(gray8, image).ok());

    Frame<ElementDepth> depth;
    EXPECT_FALSE(files::readDepthMap(text, depth).ok());
    EXPECT_FALSE(files::readDepthMap(scratch("missing.tiff"), depth).ok());
    EXPECT_FALSE(files::readDepthMap(gray8, depth).ok()) << "an 8-bit colour PNG is not a depth map";
    EXPECT_TRUE(depth.empty());
    Frame<ElementColor> read;
    EXPECT_FALSE(files::readColorPng(text, read).ok());
    EXPECT_FALSE(files::readColorPng(cut, read).ok());
    EXPECT_FALSE(files::writeColorPng(scratch("empty.png"), Frame<ElementColor>()).ok());
    EXPECT_FALSE(files::writeDepthTiff("/nonexistent-dir/d.tiff", sampleDepth()).ok());
}

TEST(ExportFiles, CloudsLeaveOutUnmeasuredPointsUnlessOrganised) {
    Frame<ElementPointXYZ> cloud;
    cloud.resize(2, 2);
    cloud[0] = {1, 2, 3};
    cloud[1] = {0, 0, 0};
    cloud[2] = {NAN, 1, 5};
    cloud[3] = {4, 5, 6};
    for (bool organized : {false, true}) {
        const std::string path = scratch(organized ? "o.ply" : "u.ply");
        ASSERT_TRUE(files::writePly(path, cloud, {true, organized}).ok());
        std::string ply;
        ASSERT_TRUE(files::readTextFile(path, ply));
        EXPECT_NE(ply.find(organized ? "element vertex 4\n" : "element vertex 2\n"), std::string::npos)
            << ply;
        // Organised PLY and PCD agree: NaN where nothing was measured.
        EXPECT_EQ(ply.find("nan") != std::string::npos, organized) << ply;
    }
}

// The bytes of a cloud file, exactly: header, then little-endian floats (and colours).
TEST(ExportFiles, BinaryCloudFilesHoldExactlyTheMeasuredPoints) {
    Frame<ElementPointXYZBGR> cloud;
    cloud.resize(3, 1);
    cloud[0] = {1, 2, 3, 1.5f, -2.25f, 300.0f};
    cloud[1] = {4, 5, 6, 0, 0, 0};
    cloud[2] = {7, 8, 9, -0.125f, 1e-3f, 2500.5f};
    auto floats = [](std::initializer_list<float> values) {
        std::string bytes;
        for (float v : values) bytes.append(reinterpret_cast<const char*>(&v), 4);
        return bytes;
    };
    ASSERT_TRUE(files::writePly(scratch("b.ply"), cloud).ok());
    std::string ply;
    ASSERT_TRUE(files::readTextFile(scratch("b.ply"), ply));
    const std::string plyBody = floats({1.5f, -2.25f, 300.0f}) + std::string("\x03\x02\x01", 3) +
                                floats({-0.125f, 1e-3f, 2500.5f}) + std::string("\x09\x08\x07", 3);
    ASSERT_GT(ply.size(), plyBody.size());
    EXPECT_EQ(ply.substr(ply.size() - plyBody.size()), plyBody);
    EXPECT_NE(ply.find("element vertex 2\n"), std::string::npos);

    ASSERT_TRUE(files::writePcd(scratch("b.pcd"), cloud, {false, true}).ok());
    std::string pcd;
    ASSERT_TRUE(files::readTextFile(scratch("b.pcd"), pcd));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::string pcdBody = floats({1.5f, -2.25f, 300.0f}) + std::string("\x01\x02\x03\x00", 4) +
                                floats({nan, nan, nan}) + std::string("\x04\x05\x06\x00", 4) +
                                floats({-0.125f, 1e-3f, 2500.5f}) + std::string("\x07\x08\x09\x00", 4);
    EXPECT_EQ(pcd.substr(pcd.size() - pcdBody.size()), pcdBody);
    EXPECT_NE(pcd.find("WIDTH 3\nHEIGHT 1\n"), std::string::npos);

    // ASCII: the shortest text that reads back as the same float.
    ASSERT_TRUE(files::writePly(scratch("a.ply"), cloud, {true, false}).ok());
    std::string ascii;
    ASSERT_TRUE(files::readTextFile(scratch("a.ply"), ascii));
    EXPECT_NE(ascii.find("end_header\n1.5 -2.25 300 3 2 1\n-0.125 0.001 2500.5 9 8 7\n"), std::string::npos)
        << ascii;
    EXPECT_FALSE(files::writeCloud(scratch("c.xyz"), cloud).ok());
}

// Depth and mask samples are data: gamma and colour-space chunks must not change them.
TEST(ExportFiles, PngSamplesAreReadAsStoredWhateverTheGammaChunks) {
    auto withChunk = [](const std::string& png, const char* type, const std::string& data) {
        std::string chunk;
        for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<char>(data.size() >> shift));
        chunk += std::string(type, 4) + data;
        std::uint32_t crc = 0xFFFFFFFFu;  // the CRC-32 of PNG chunks, over type and data
        for (std::size_t i = 4; i < chunk.size(); ++i) {
            crc ^= static_cast<unsigned char>(chunk[i]);
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc ^= 0xFFFFFFFFu;
        for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<char>(crc >> shift));
        return png.substr(0, 33) + chunk + png.substr(33);  // after the signature and IHDR
    };
    Frame<ElementDepth> depth = sampleDepth();
    for (std::uint32_t i = 0; i < 35; ++i) depth[i].d = i % 2 == 0 ? 1000.0f : 7.0f + i;
    Frame<ElementColor> mask;
    mask.resize(4, 2);
    for (std::uint32_t i = 0; i < 8; ++i)
        mask[i] = {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(100 + i)};
    ASSERT_TRUE(files::writeDepthPng16(scratch("g.png"), depth).ok());
    ASSERT_TRUE(files::writeColorPng(scratch("m.png"), mask).ok());
    std::string depthPng, maskPng;
    ASSERT_TRUE(files::readTextFile(scratch("g.png"), depthPng));
    ASSERT_TRUE(files::readTextFile(scratch("m.png"), maskPng));
    const struct {
        const char* type;
        std::string data;
    } chunks[] = {{"gAMA", std::string("\x00\x00\xb1\x8f", 4)},  // 1/2.2
                  {"gAMA", std::string("\x00\x01\x86\xa0", 4)},  // 1.0
                  {"sRGB", std::string("\x00", 1)}};
    for (const auto& c : chunks) {
        std::ofstream(scratch("gd.png"), std::ios::binary | std::ios::trunc)
            << withChunk(depthPng, c.type, c.data);
        std::ofstream(scratch("gm.png"), std::ios::binary | std::ios::trunc)
            << withChunk(maskPng, c.type, c.data);
        Frame<ElementDepth> readDepth;
        Frame<ElementColor> readMask;
        ASSERT_TRUE(files::readDepthMap(scratch("gd.png"), readDepth).ok()) << c.type;
        ASSERT_TRUE(files::readColorPng(scratch("gm.png"), readMask).ok()) << c.type;
        for (std::uint32_t i = 0; i < 35; ++i) EXPECT_EQ(readDepth[i].d, depth[i].d) << c.type << " at " << i;
        for (std::uint32_t i = 0; i < 8; ++i) {
            EXPECT_EQ(readMask[i].b, mask[i].b) << c.type;
            EXPECT_EQ(readMask[i].g, mask[i].g) << c.type;
            EXPECT_EQ(readMask[i].r, mask[i].r) << c.type;
        }
    }
}

TEST(ExportFiles, CompressionLevelsAreCheckedAndAllReadBack) {
    Frame<ElementColor> image;
    image.resize(64, 48);
    for (std::uint32_t i = 0; i < 64 * 48; ++i) image[i] = {std::uint8_t(i), std::uint8_t(i / 64), 7};
    for (int level : {0, 1, 6, 9}) {
        ASSERT_TRUE(files::writeColorPng(scratch("l.png"), image, level).ok()) << level;
        Frame<ElementColor> read;
        ASSERT_TRUE(files::readColorPng(scratch("l.png"), read).ok());
        EXPECT_EQ(std::memcmp(read.data(), image.data(), 64 * 48 * 3), 0) << level;
    }
    EXPECT_FALSE(files::writeColorPng(scratch("l.png"), image, 10).ok());
    EXPECT_FALSE(files::writeColorPng(scratch("l.png"), image, -1).ok());
}

// No value of a calibration file can be infinite: such a calibration is refused, not written as 1e+9999.
TEST(ExportFiles, ANonFiniteCalibrationIsNotWritten) {
    const std::string path = scratch("inf.json");
    std::ofstream(path, std::ios::trunc) << "old";
    for (double bad : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
        DeviceIntri intri;
        intri.intrinsic3DCamera.intrinsic[0] = 1000;
        intri.rotation[2][1] = bad;
        const files::FileResult result = files::writeCalibration(path, intri);
        EXPECT_FALSE(result.ok());
        EXPECT_NE(result.error.find("finite"), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(path), std::string::npos) << result.error;
        std::string text;
        ASSERT_TRUE(files::readTextFile(path, text));
        EXPECT_EQ(text, "old");
    }
}

// Deep nesting, and any other reader failure, is a clear message naming the file; nothing is thrown.
TEST(ExportFiles, DeeplyNestedCalibrationsAreRefusedByName) {
    for (const std::string& text : {std::string(100000, '['), std::string(2000, '{'),
                                    "{\"calibration\":" + std::string(5000, '[') + "}",
                                    std::string("{\"camera2D\": \"\x80\xff\"}"), std::string(1, '\0')}) {
        DeviceIntri intri;
        const files::FileResult parsed = files::parseCalibration(text, intri);
        EXPECT_FALSE(parsed.ok());
        const std::string path = scratch("nested.json");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        const files::FileResult read = files::readCalibration(path, intri);
        EXPECT_EQ(read.error.rfind(path + ": ", 0), 0u) << read.error;
    }
    DeviceIntri intri;
    EXPECT_NE(files::parseCalibration(std::string(3000, '['), intri).error.find("nested"), std::string::npos);
}

// Every writer goes through a temporary file: a write that fails part-way (here: a file-size limit, as a full
// disk would) leaves the old file as it was and nothing else in the folder.
TEST(ExportFiles, AFailedWriteLeavesTheOldFileAndNoPartialOne) {
    const std::filesystem::path folder = scratch("full");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Frame<ElementPointXYZ> cloud;
    cloud.resize(200, 100);
    for (std::uint32_t i = 0; i < 20000; ++i) cloud[i] = {float(i), 1, 500};
    Frame<ElementDepth> depth;
    depth.resize(200, 100);
    for (std::uint32_t i = 0; i < 20000; ++i) depth[i].d = 300.0f + float(i % 977);
    Frame<ElementColor> image;
    image.resize(400, 300);
    for (std::uint32_t i = 0; i < 400 * 300; ++i)
        image[i] = {std::uint8_t(i * 7), std::uint8_t(i * 13), std::uint8_t(i)};
    DeviceIntri intri;

    const auto old = std::string("the old file");
    const std::vector<std::pair<std::string, std::function<files::FileResult(const std::string&)>>> writers =
        {
            {"c.ply", [&](const std::string& p) { return files::writePly(p, cloud); }},
            {"a.ply",
             [&](const std::string& p) {
                 return files::writePly(p, cloud, {true, false});
             }},
            {"c.pcd",
             [&](const std::string& p) {
                 return files::writePcd(p, cloud, {false, true});
             }},
            {"d.tiff", [&](const std::string& p) { return files::writeDepthTiff(p, depth); }},
            {"d.png", [&](const std::string& p) { return files::writeDepthPng16(p, depth, 0); }},
            {"c.png", [&](const std::string& p) { return files::writeColorPng(p, image, 0); }},
            {"t.json",
             [&](const std::string& p) { return files::writeTextFile(p, std::string(100000, 'x')); }},
        };
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit limit{}, saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (const auto& [name, write] : writers) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::trunc) << old;
        limit = saved;
        limit.rlim_cur = 16384;
        setrlimit(RLIMIT_FSIZE, &limit);
        const files::FileResult result = write(path);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(result.ok()) << name;
        EXPECT_EQ(result.error.rfind(path, 0), 0u) << result.error;
        std::string text;
        ASSERT_TRUE(files::readTextFile(path, text));
        EXPECT_EQ(text, old) << name;
        EXPECT_TRUE(write(path).ok()) << name;  // and without the limit it is replaced
    }
    sigaction(SIGXFSZ, &previous, nullptr);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        entries += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, writers.size()) << "a temporary file was left behind";
    // A folder standing where the file should go is not replaced.
    std::filesystem::create_directories(folder / "taken.ply");
    EXPECT_FALSE(files::writePly((folder / "taken.ply").string(), cloud).ok());
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.ply"));
    static_cast<void>(intri);
}

}  // namespace
