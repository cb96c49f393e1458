#pragma once

// Settings of the laser-projector models. The public frame range (start and end on a 0 to 100 scale) is held
// by the camera as a width (the amplitude) and a centre offset from 50.

#include <cstdint>

#include "quorix/Settings.h"
#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

struct LaserFrameWire {
    std::int32_t amplitude;
    std::int32_t offset;
};

struct LaserFrameRange {
    std::int32_t start;
    std::int32_t end;
};

// start and end within 0 to 100. The centre's half is rounded toward 50.
LaserFrameWire frameRangeToWire(std::int32_t start, std::int32_t end);
// For any amplitude and offset. False when the range does not fit in 32 bits (nonsense from the camera).
bool frameRangeFromWire(std::int32_t amplitude, std::int32_t offset, LaserFrameRange& out);

// Success, or WriteError for the first refused field, checked in order (start, end, width, partition count,
// power level).
api::ErrorStatus checkLaserSettings(const api::LaserSettings& laser);
// Checks as above, then sends amplitude,
// offset, partition count, power level and fringe coding mode, stopping at the first failed request.
api::ErrorStatus setLaserSettings(transport::CommandClient& client, const api::LaserSettings& laser);
// Reads the five parameters in the same order, stopping at the first failed read; the field of a failed
// read gets its default (frame range centred on 50, one partition, power 20, coding mode 0).
api::ErrorStatus getLaserSettings(transport::CommandClient& client, api::LaserSettings& laser);

}  // namespace settings
}  // namespace norvik
