#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "transport/json_codec.h"
#include "transport/json_fields.h"

using namespace norvik::transport;

TEST(RequestWriter, WritesCompactSortedMembersAndANewline) {
    Json::Value request;
    request["property_name"] = "Scan3DGain";
    request["cmd"] = "GetCameraParams";
    EXPECT_EQ(writeRequest(request), "{\"cmd\":\"GetCameraParams\",\"property_name\":\"Scan3DGain\"}\n");

    Json::Value save;
    save["cmd"] = "SetCameraConfig";
    save["camera_config"] = Json::Value();
    save["persistent"] = true;
    EXPECT_EQ(writeRequest(save),
              "{\"camera_config\":null,\"cmd\":\"SetCameraConfig\",\"persistent\":true}\n");
}

TEST(ReplyParser, AcceptsCommentsAndTrailingBytesAndRefusesNonJson) {
    Json::Value value;
    std::string error;
    EXPECT_TRUE(parseJson("{\"a\": 1 /* note */}\x01\x02 binary", value, error));
    EXPECT_EQ(value["a"].asInt(), 1);
    EXPECT_FALSE(parseJson("hello", value, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(parseJson("", value, error));
}

TEST(ReplyParser, DeepNestingIsAParseErrorNotAnException) {
    Json::Value value;
    std::string error;
    const std::string shallow = std::string(20, '[') + std::string(20, ']');
    EXPECT_TRUE(parseJson(shallow, value, error));
    for (const std::string& deep : {std::string(2048, '['), std::string(1 << 20, '['),
                                    "{\"a\":" + std::string(5000, '[') + std::string(5000, ']') + "}"}) {
        error.clear();
        EXPECT_FALSE(parseJson(deep, value, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(FieldReader, ConvertsLenientlyLikeTheCameraExpects) {
    std::int32_t i = 7;
    EXPECT_TRUE(readValue(Json::Value(), i));
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(readValue(Json::Value(true), i));
    EXPECT_EQ(i, 1);
    EXPECT_TRUE(readValue(Json::Value(12.9), i));
    EXPECT_EQ(i, 12);
    std::string s;
    EXPECT_TRUE(readValue(Json::Value(5), s));
    EXPECT_EQ(s, "5");
    EXPECT_TRUE(readValue(Json::Value(false), s));
    EXPECT_EQ(s, "false");
    double d = 0;
    EXPECT_TRUE(readValue(Json::Value(3), d));
    EXPECT_EQ(d, 3.0);
    bool b = false;
    EXPECT_TRUE(readValue(Json::Value(2), b));
    EXPECT_TRUE(b);
}

TEST(FieldReader, ReportsWhatJsonCppWouldThrowOn) {
    std::int32_t i = 7;
    EXPECT_FALSE(readValue(Json::Value("2"), i));
    EXPECT_FALSE(readValue(Json::Value(Json::objectValue), i));
    EXPECT_FALSE(readValue(Json::Value(Json::UInt64(1) << 40), i));
    EXPECT_FALSE(readValue(Json::Value(1e12), i));
    EXPECT_EQ(i, 7);
    std::int64_t wide = 0;
    EXPECT_FALSE(readValue(Json::Value(std::numeric_limits<Json::UInt64>::max()), wide));
    EXPECT_FALSE(readValue(Json::Value(1e30), wide));
    std::uint64_t unsignedWide = 0;
    EXPECT_FALSE(readValue(Json::Value(-1), unsignedWide));
    std::string s;
    EXPECT_FALSE(readValue(Json::Value(Json::arrayValue), s));
    double d = 0;
    EXPECT_FALSE(readValue(Json::Value("1.5"), d));
    bool b = false;
    EXPECT_FALSE(readValue(Json::Value("true"), b));
}

TEST(FieldReader, MembersOfNonObjectsAreReported) {
    std::string error;
    std::int32_t out = 3;
    EXPECT_TRUE(readMember(Json::Value(), "model", out, error));  // null has no members: reads as null
    EXPECT_EQ(out, 0);
    EXPECT_FALSE(readMember(Json::Value(5), "model", out, error));
    EXPECT_FALSE(error.empty());
    Json::Value object;
    object["model"] = "2";
    error.clear();
    EXPECT_FALSE(readMember(object, "model", out, error));
    EXPECT_NE(error.find("model"), std::string::npos);
}
