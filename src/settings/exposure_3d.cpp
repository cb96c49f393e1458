#include "settings/exposure_3d.h"

#include <cstdint>
#include <string>

#include "settings/catalogue.h"
#include "settings/parameter_access.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

namespace p = protocol::parameter;

namespace {

constexpr IntRange kCountRange = limits::kScan3DExposureCount;
constexpr std::int32_t kMaxTimes = kCountRange.max;
constexpr RealRange kTimeRange = limits::kScan3DExposureTime;
constexpr const char* kTimeKeys[kMaxTimes] = {p::Scan3DExposureTime, p::Scan3DExposureTime2,
                                              p::Scan3DExposureTime3};

}  // namespace

api::ErrorStatus checkScan3DExposure(const std::vector<double>& times) {
    const std::size_t count = times.size();
    if (count < 1 || count > static_cast<std::size_t>(kMaxTimes))
        return {api::WriteError,
                "Exposure multiplier error. " + rangeErrorMessage(p::Scan3DExposureCount, kCountRange)};
    for (std::size_t i = 0; i < count; ++i) {
        // Messages name the position, not the wire key.
        const std::string name = p::Scan3DExposureTime + std::to_string(i);
        if (auto s = checkRange(name, times[i], kTimeRange, "Exposure time error. "); !s.isOk()) return s;
    }
    return {};
}

api::ErrorStatus setScan3DExposure(transport::CommandClient& client, const std::vector<double>& times) {
    if (auto s = checkScan3DExposure(times); !s.isOk()) return s;
    const std::size_t count = times.size();
    if (auto s = setParameter(client, p::Scan3DExposureCount, std::uint64_t{count}); !s.isOk()) return s;
    api::ErrorStatus status;
    for (std::size_t i = 0; i < count && status.isOk(); ++i)
        status = setParameter(client, kTimeKeys[i], times[i]);
    return status;
}

api::ErrorStatus getScan3DExposure(transport::CommandClient& client, std::vector<double>& times) {
    double read[kMaxTimes] = {0.0, 0.0, 0.0};
    api::ErrorStatus timeStatus[kMaxTimes];
    for (int i = 0; i < kMaxTimes; ++i) {
        timeStatus[i] = readParameter(client, kTimeKeys[i], read[i]);
        if (!timeStatus[i].isOk()) read[i] = 0.0;
    }
    std::int32_t count = 0;
    api::ErrorStatus status = readParameter(client, p::Scan3DExposureCount, count);
    if (!status.isOk()) count = 0;
    if (count < 0 || count > kMaxTimes) {
        times.clear();
        return {api::ReadError, "Malformed reply: the camera reports " + std::to_string(count) +
                                    " 3D exposure times; at most " + std::to_string(kMaxTimes) +
                                    " are possible."};
    }
    // A time in the list that could not be read fails the read rather than reading as 0.
    for (int i = 0; i < count && status.isOk(); ++i) {
        if (!timeStatus[i].isOk()) status = timeStatus[i];
    }
    times.assign(read, read + count);
    return status;
}

}  // namespace settings
}  // namespace norvik
