#pragma once

// Records and enumerations of the capture settings. The camera defines what each enumerator means; the
// library sends the numeric value unchanged and reads back whatever number the camera holds.

#include <cstdint>

namespace norvik {
namespace api {

struct Scanning2DSettings {
    enum class Scan2DExposureMode : std::int32_t { Timed = 0, Auto = 1, HDR = 2, Flash = 3 };
};

struct ProjectorSettings {
    enum class FringeCodingMode : std::int32_t { Fast = 0, Accurate = 1 };
    enum class PowerLevel : std::int32_t { High = 0, Normal = 1, Low = 2 };
    enum class AntiFlickerMode : std::int32_t { Off = 0, AC50Hz = 1, AC60Hz = 2 };
};

struct PointCloudProcessingSettings {
    enum class CloudOutlierFilterMode : std::int32_t { Off = 0, Weak = 1, Normal = 2 };
    enum class CloudSmoothMode : std::int32_t { Off = 0, Weak = 1, Normal = 2, Strong = 3 };
};

// A rectangle in image pixels.
struct ROI {
    std::uint32_t X = 0;  // column of the left edge
    std::uint32_t Y = 0;  // row of the top edge
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
};

// Depth limits the camera applies, in millimetres: lower 1 to 4000, upper 1 to 5000, lower below upper.
struct DepthRange {
    std::int32_t depthLowerLimit = 0;
    std::int32_t depthUpperLimit = 0;
};

// Settings of the laser-projector models. The frame range is on a 0 to 100 scale and spans 25 to 100.
struct LaserSettings {
    std::int32_t FringeCodingMode = 0;  // 0 fast, 1 accurate
    std::int32_t FrameRangeStart = 0;
    std::int32_t FrameRangeEnd = 0;
    std::int32_t FramePartitionCount = 0;  // 1 to 4
    std::int32_t PowerLevel = 0;           // 20 to 100
};

// Settings of the VELA model.
struct VelaSettings {
    enum class VelaCaptureMode : std::int32_t { Standard = 0, HighResolution = 1 };
    enum class VelaFringeCodingMode : std::int32_t { Fast = 0, Accurate = 1 };

    VelaCaptureMode CaptureMode = VelaCaptureMode::Standard;
    VelaFringeCodingMode FringeCodingMode = VelaFringeCodingMode::Fast;
};

}  // namespace api
}  // namespace norvik
