#include "device/model_catalogue.h"

#include <initializer_list>

namespace norvik {
namespace device {

namespace {

struct CatalogueEntry {
    int code;
    const char* suffix;
};

constexpr char kModelPrefix[] = "Quorix ";

constexpr CatalogueEntry kCatalogue[] = {
    {0, "Tav M"},
    {1, "Mirr"},
    {2, "ZIKA"},
    {3, "VEX XS"},
    {4, "Orra L"},
    {5, "Vex L Enhanced"},
    {6, "KTR 6060"},
    {7, "Vex M Enhanced"},
    {8, "VELA 120"},
    {9, "MIRR"},
    {10, "ORX S"},
    {11, "ORX L"},
    {12, "VEX S"},
    {13, "VEX M"},
    {14, "TAV M"},
    {100, "Tav S"},
    {104, "Orra L Enhanced"},
    {105, "Vex Max"},
    {107, "Vex S Enhanced"},
    {255, "Unknown"},
};

// Codes of each feature, in the order they are tested.
constexpr std::initializer_list<int> kLaserModels = {10, 11, 9, 4, 104};
constexpr std::initializer_list<int> kNoFlashModels = {10, 11, 9};
constexpr std::initializer_list<int> kAntiFlickerModels = {2, 13, 12};
constexpr std::initializer_list<int> kFringeCodingModels = {2, 13, 12, 3};
constexpr std::initializer_list<int> kPowerLevelModels = {2, 13, 12, 3, 0, 100, 14, 107, 7};
constexpr std::initializer_list<int> kVelaModels = {8};

bool isAnyOf(const std::string& model, std::initializer_list<int> codes) {
    for (int code : codes) {
        if (isModel(model, code)) return true;
    }
    return false;
}

}  // namespace

std::string modelName(int code) {
    for (const auto& entry : kCatalogue) {
        if (entry.code == code) return std::string(kModelPrefix) + entry.suffix;
    }
    return kModelPrefix;
}

bool isModel(const std::string& name, int code) { return name == modelName(code); }

std::vector<std::string> modelNamesWhere(bool (*present)(const std::string& model)) {
    std::vector<std::string> names;
    for (const auto& entry : kCatalogue) {
        std::string name = modelName(entry.code);
        if (present(name)) names.push_back(std::move(name));
    }
    return names;
}

bool supportsLaserSettings(const std::string& model) { return isAnyOf(model, kLaserModels); }
bool lacksFlashExposure(const std::string& model) { return isAnyOf(model, kNoFlashModels); }
bool supportsAntiFlicker(const std::string& model) { return isAnyOf(model, kAntiFlickerModels); }
bool supportsFringeCodingMode(const std::string& model) { return isAnyOf(model, kFringeCodingModels); }
bool supportsProjectorPowerLevel(const std::string& model) { return isAnyOf(model, kPowerLevelModels); }
bool isVelaModel(const std::string& model) { return isAnyOf(model, kVelaModels); }

}  // namespace device
}  // namespace norvik
