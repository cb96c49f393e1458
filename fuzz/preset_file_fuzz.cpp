// The tool's preset reader: any bytes as a preset file's text, then every value it holds converted for its
// setting as `quorix settings --load` does before checking it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "preset_file.h"
#include "setting_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Json::Value settings;
    std::string error;
    if (!quorix::tool::parsePreset(text, settings, error)) return 0;
    for (const auto& setting : norvik::api::QuorixDevice::settingCatalogue()) {
        const Json::Value* value =
            settings.find(setting.name.data(), setting.name.data() + setting.name.size());
        if (value == nullptr) continue;
        std::vector<double> numbers;
        if (quorix::tool::valueFromJson(setting, *value, numbers).empty())
            quorix::tool::valueToJson(setting, numbers);
    }
    return 0;
}
