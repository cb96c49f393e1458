// The calibration file reader: any text is a calibration or a message, never a crash or an exception.
#include <cstddef>
#include <cstdint>
#include <string>

#include "quorix/QuorixExport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    norvik::api::DeviceIntri intri;
    const norvik::files::FileResult result =
        norvik::files::parseCalibration(std::string(reinterpret_cast<const char*>(data), size), intri);
    if (result.ok() == result.error.empty()) return 0;
    __builtin_trap();
}
