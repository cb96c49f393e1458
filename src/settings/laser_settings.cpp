#include "settings/laser_settings.h"

#include <limits>

#include "settings/catalogue.h"
#include "settings/parameter_access.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

namespace p = protocol::parameter;

namespace {

constexpr std::int32_t kCentre = 50;
constexpr IntRange kFrameBoundRange = limits::kLaserFrameBound;
constexpr IntRange kFrameWidthRange = limits::kLaserFrameWidth;
constexpr IntRange kPartitionRange = limits::kLaserPartitionCount;
constexpr IntRange kPowerRange = limits::kLaserPowerLevel;
// The fewest partitions and the least power.
constexpr std::int32_t kDefaultPartitionCount = kPartitionRange.min;
constexpr std::int32_t kDefaultPowerLevel = kPowerRange.min;

// Halves of whole numbers, rounded down or up, also for negative numbers.
std::int64_t floorHalf(std::int64_t twice) { return twice >= 0 ? twice / 2 : -((-twice + 1) / 2); }
std::int64_t ceilHalf(std::int64_t twice) { return -floorHalf(-twice); }

bool fitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

LaserFrameWire frameRangeToWire(std::int32_t start, std::int32_t end) {
    const std::int32_t sum = start + end;
    const std::int32_t centre = sum <= 2 * kCentre ? static_cast<std::int32_t>(ceilHalf(sum))
                                                   : static_cast<std::int32_t>(floorHalf(sum));
    return {end - start, centre - kCentre};
}

bool frameRangeFromWire(std::int32_t amplitude, std::int32_t offset, LaserFrameRange& out) {
    // Twice the centre and twice the half width, so that every value is a whole number.
    const std::int64_t centre2 = 2 * (std::int64_t{offset} + kCentre);
    const std::int64_t startTwice = centre2 - amplitude;
    const std::int64_t endTwice = centre2 + amplitude;
    const bool up = offset > 0;
    const std::int64_t start = up ? ceilHalf(startTwice) : floorHalf(startTwice);
    const std::int64_t end = up ? ceilHalf(endTwice) : floorHalf(endTwice);
    if (!fitsInt32(start) || !fitsInt32(end)) return false;
    out = {static_cast<std::int32_t>(start), static_cast<std::int32_t>(end)};
    return true;
}

api::ErrorStatus checkLaserSettings(const api::LaserSettings& laser) {
    if (auto s = checkRange("FrameRangeStart", laser.FrameRangeStart, kFrameBoundRange); !s.isOk()) return s;
    if (auto s = checkRange("FrameRangeEnd", laser.FrameRangeEnd, kFrameBoundRange); !s.isOk()) return s;
    // Both bounds are within 0 to 100 here, so the difference cannot overflow.
    const std::int32_t width = laser.FrameRangeEnd - laser.FrameRangeStart;
    if (auto s = checkRange("FrameRangeEnd - FrameRangeStart", width, kFrameWidthRange); !s.isOk()) return s;
    if (auto s = checkRange(p::LaserFramePartitionCount, laser.FramePartitionCount, kPartitionRange);
        !s.isOk())
        return s;
    return checkRange(p::LaserPowerLevel, laser.PowerLevel, kPowerRange);
}

api::ErrorStatus setLaserSettings(transport::CommandClient& client, const api::LaserSettings& laser) {
    if (auto s = checkLaserSettings(laser); !s.isOk()) return s;

    const LaserFrameWire frame = frameRangeToWire(laser.FrameRangeStart, laser.FrameRangeEnd);
    const struct {
        const char* key;
        std::int32_t value;
    } requests[] = {
        {p::LaserFrameAmplitude, frame.amplitude},
        {p::LaserFrameOffset, frame.offset},
        {p::LaserFramePartitionCount, laser.FramePartitionCount},
        {p::LaserPowerLevel, laser.PowerLevel},
        {p::LaserFringeCodingMode, laser.FringeCodingMode},
    };
    api::ErrorStatus status;
    for (const auto& request : requests) {
        status = setParameter(client, request.key, request.value);
        if (!status.isOk()) break;
    }
    return status;
}

api::ErrorStatus getLaserSettings(transport::CommandClient& client, api::LaserSettings& laser) {
    std::int32_t amplitude = 0;
    if (auto s = readParameter(client, p::LaserFrameAmplitude, amplitude); !s.isOk()) return s;

    std::int32_t offset = 0;
    api::ErrorStatus status = readParameter(client, p::LaserFrameOffset, offset);
    LaserFrameRange range{};
    if (status.isOk() && !frameRangeFromWire(amplitude, offset, range))
        status = {api::ReadError,
                  "Malformed reply: the laser frame amplitude and offset give no valid range."};
    if (!status.isOk()) {
        // Centred on 50, rounded down; an offset of 0 gives exactly that and always fits.
        frameRangeFromWire(amplitude, 0, range);
    }
    laser.FrameRangeStart = range.start;
    laser.FrameRangeEnd = range.end;
    if (!status.isOk()) return status;

    const struct {
        const char* key;
        std::int32_t api::LaserSettings::*field;
        std::int32_t fallback;
    } reads[] = {
        {p::LaserFramePartitionCount, &api::LaserSettings::FramePartitionCount, kDefaultPartitionCount},
        {p::LaserPowerLevel, &api::LaserSettings::PowerLevel, kDefaultPowerLevel},
        {p::LaserFringeCodingMode, &api::LaserSettings::FringeCodingMode, 0},
    };
    for (const auto& read : reads) {
        std::int32_t value = 0;
        status = readParameter(client, read.key, value);
        laser.*read.field = status.isOk() ? value : read.fallback;
        if (!status.isOk()) break;
    }
    return status;
}

}  // namespace settings
}  // namespace norvik
