// The export library's readers against its writers, and against files they must refuse without crashing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "quorixexport/calibration_file.h"
#include "quorixexport/cloud_files.h"
#include "quorixexport/image_files.h"

namespace {

using namespace norvik::api;
namespace files = quorix::files;

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
        EXPECT_EQ(ply.find("nan"), std::string::npos) << "no NaN in a PLY file";
    }
}

}  // namespace
