#include <gtest/gtest.h>

#include "device/model_catalogue.h"
#include "device/model_gate.h"

using namespace norvik::device;
using norvik::settings::Access;
using norvik::settings::Capability;

TEST(ModelCatalogue, NamesEveryListedCodeAndThePrefixOtherwise) {
    EXPECT_EQ(modelName(0), "Quorix Tav M");
    EXPECT_EQ(modelName(8), "Quorix VELA 120");
    EXPECT_EQ(modelName(9), "Quorix MIRR");
    EXPECT_EQ(modelName(1), "Quorix Mirr");
    EXPECT_EQ(modelName(107), "Quorix Vex S Enhanced");
    EXPECT_EQ(modelName(255), "Quorix Unknown");
    for (int unlisted : {-1, 15, 42, 99, 101, 103, 106, 254, 256}) EXPECT_EQ(modelName(unlisted), "Quorix ");
    EXPECT_TRUE(isModel("Quorix VELA 120", 8));
    EXPECT_FALSE(isModel("Quorix vela 120", 8));
    EXPECT_FALSE(isModel("Quorix VELA 120 ", 8));
}

// Which codes have each feature; every other code of the catalogue lacks it.
struct FeatureRow {
    Capability capability;
    std::vector<int> codes;
    const char* refusal;
};

TEST(ModelGate, AdmitsExactlyTheModelsOfEachFeature) {
    const std::vector<int> catalogue = {0,  1,  2,  3,  4,   5,   6,   7,   8,   9, 10,
                                        11, 12, 13, 14, 100, 104, 105, 107, 255, 42};
    const FeatureRow rows[] = {
        {Capability::LaserSettings,
         {10, 11, 9, 4, 104},
         "This API only support with Quorix Orra Industrial 3D Camera."},
        {Capability::AntiFlicker,
         {2, 13, 12},
         "This API only support with Quorix ZIKA and VEX series Industrial 3D Cameras."},
        {Capability::FringeCodingMode,
         {2, 13, 12, 3},
         "This API only support with Quorix ZIKA and VEX series Industrial 3D Cameras."},
        {Capability::ProjectorPowerLevel,
         {2, 13, 12, 3, 0, 100, 14, 107, 7},
         "This API only support with Quorix ZIKA, TAV and VEX series Industrial 3D Cameras."},
        {Capability::Vela, {8}, "This API only support with Quorix VELA Industrial 3D Camera."},
    };
    for (const auto& row : rows) {
        for (int code : catalogue) {
            const bool admitted = std::find(row.codes.begin(), row.codes.end(), code) != row.codes.end();
            const auto read = checkCapability(modelName(code), row.capability, Access::Read);
            const auto write = checkCapability(modelName(code), row.capability, Access::Write);
            if (admitted) {
                EXPECT_EQ(read.code, 0) << code;
                EXPECT_EQ(write.code, 0) << code;
            } else {
                EXPECT_EQ(read.code, norvik::api::UnsupportedModel) << code;
                EXPECT_EQ(write.code, norvik::api::WriteError) << code;
                EXPECT_EQ(read.message, row.refusal);
                EXPECT_EQ(write.message, row.refusal);
            }
        }
        // A device that never connected names no model.
        EXPECT_EQ(checkCapability("", row.capability, Access::Read).code, norvik::api::UnsupportedModel);
    }
}

TEST(ModelGate, FlashExposureIsMissingOnlyOnTheLaserLineScanners) {
    for (int code : {10, 11, 9}) EXPECT_TRUE(lacksFlashExposure(modelName(code)));
    for (int code : {4, 104, 1, 2, 8, 255}) EXPECT_FALSE(lacksFlashExposure(modelName(code)));
    EXPECT_FALSE(lacksFlashExposure("Quorix mirr"));
}
