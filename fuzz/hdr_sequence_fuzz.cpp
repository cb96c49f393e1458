// The HDR exposure sequence as the camera returns it: any text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/hdr_sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<double> values;
    norvik::settings::parseHdrSequence(text, values);
    for (double value : values) norvik::settings::hdrValueText(value);
    return 0;
}
