#include <gtest/gtest.h>

#include <regex>

#include "device/api_information.h"
#include "quorix/QuorixDevice.h"

using norvik::device::apiInformation;
using norvik::device::buildDate;

TEST(ApiInformation, BannerCarriesVersionAndTheStampsDate) {
    EXPECT_EQ(buildDate("1a2b3c4 2023-01-30 10:11:12 +0100"), "2023-01-30");
    const std::string banner = apiInformation("1a2b3c4 2023-01-30 10:11:12 +0100");
    EXPECT_EQ(banner.rfind("Quorix API V2.0.2 2023-01-30. ", 0), 0u) << banner;
    EXPECT_EQ(banner.back(), '.');
}

TEST(ApiInformation, AStampWithoutADateLeavesTheGapEmpty) {
    EXPECT_EQ(buildDate("unversioned"), "");
    EXPECT_EQ(apiInformation("unversioned").rfind("Quorix API V2.0.2 . ", 0), 0u);
}

TEST(ApiInformation, TheBuiltLibraryIsStampedWithADate) {
    const std::string banner = norvik::api::getApiInformation();
    EXPECT_TRUE(std::regex_search(banner, std::regex("^Quorix API V2\\.0\\.2 \\d{4}-\\d{2}-\\d{2}\\. ")))
        << banner;
    EXPECT_EQ(banner, norvik::api::getApiInformation());
}
