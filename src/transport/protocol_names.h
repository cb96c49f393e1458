#pragma once

// Every name that travels on the wire, defined once. The library and the virtual camera both use these.

#include <cstddef>
#include <cstdint>

namespace norvik {
namespace protocol {

namespace command {
inline constexpr char GetCameraInfo[] = "GetCameraInfo";
inline constexpr char GetGroupIntri[] = "GetGroupIntri";
inline constexpr char GetImageFormat[] = "GetImageFormat";
inline constexpr char GetCameraParams[] = "GetCameraParams";
inline constexpr char SetCameraParams[] = "SetCameraParams";
inline constexpr char GetConfigGroup[] = "GetConfigGroup";
inline constexpr char SetConfigGroup[] = "SetConfigGroup";
inline constexpr char AddConfigGroup[] = "AddConfigGroup";
inline constexpr char DeleteConfigGroup[] = "DeleteConfigGroup";
inline constexpr char SetCameraConfig[] = "SetCameraConfig";
inline constexpr char CaptureImage[] = "CaptureImage";
}  // namespace command

namespace member {
inline constexpr char Cmd[] = "cmd";
inline constexpr char ErrMsg[] = "err_msg";
// requests
inline constexpr char PropertyName[] = "property_name";
inline constexpr char PropertyValue[] = "property_value";
inline constexpr char ConfigName[] = "config_name";
inline constexpr char CameraConfig[] = "camera_config";
inline constexpr char Persistent[] = "persistent";
inline constexpr char ImageType[] = "image_type";
// identity
inline constexpr char CameraInfo[] = "camera_info";
inline constexpr char QuorixId[] = "quorixId";
inline constexpr char Model[] = "model";
inline constexpr char CamVersion[] = "camVersion";
inline constexpr char Version[] = "version";
inline constexpr char IpAddress[] = "ipAddress";
inline constexpr char Port[] = "port";
inline constexpr char IsVirtual[] = "isVirtual";
// calibration
inline constexpr char CameraIntri[] = "camera_intri";
inline constexpr char Intrinsic2DCamera[] = "intrinsic_2d_camera";
inline constexpr char Intrinsic3DCamera[] = "intrinsic_3d_camera";
inline constexpr char Cam3DInCam2D[] = "intrinsic_cam3d_in_cam2d";
inline constexpr char Intrinsic[] = "intrinsic";
inline constexpr char DistCoefficients[] = "dist_coefficients";
// image sizes
inline constexpr char ImageFormat[] = "image_format";
inline constexpr char ImageSize2D[] = "imageSize2D";
inline constexpr char ImageSize3D[] = "imageSize3D";
// user sets
inline constexpr char AvailableConfigNames[] = "available_config_names";
inline constexpr char CurrentConfig[] = "current_config";
// region of interest value
inline constexpr char RoiX[] = "X";
inline constexpr char RoiY[] = "Y";
inline constexpr char RoiWidth[] = "Width";
inline constexpr char RoiHeight[] = "Height";
}  // namespace member

namespace parameter {
inline constexpr char Scan2DExposureMode[] = "Scan2DExposureMode";
inline constexpr char Scan2DExposureTime[] = "Scan2DExposureTime";
inline constexpr char Scan2DHDRExposureSequence[] = "Scan2DHDRExposureSequence";
inline constexpr char Scan2DExpectedGrayValue[] = "Scan2DExpectedGrayValue";
inline constexpr char Scan2DToneMappingEnable[] = "Scan2DToneMappingEnable";
inline constexpr char Scan2DSharpenFactor[] = "Scan2DSharpenFactor";
inline constexpr char Scan2DROI[] = "Scan2DROI";
inline constexpr char Scan3DExposureCount[] = "Scan3DExposureCount";
inline constexpr char Scan3DExposureTime[] = "Scan3DExposureTime";
inline constexpr char Scan3DExposureTime2[] = "Scan3DExposureTime2";
inline constexpr char Scan3DExposureTime3[] = "Scan3DExposureTime3";
inline constexpr char Scan3DGain[] = "Scan3DGain";
inline constexpr char Scan3DROI[] = "Scan3DROI";
inline constexpr char DepthLowerLimit[] = "DepthLowerLimit";
inline constexpr char DepthUpperLimit[] = "DepthUpperLimit";
inline constexpr char FringeContrastThreshold[] = "FringeContrastThreshold";
inline constexpr char FringeMinThreshold[] = "FringeMinThreshold";
inline constexpr char CloudOutlierFilterMode[] = "CloudOutlierFilterMode";
inline constexpr char CloudSmoothMode[] = "CloudSmoothMode";
inline constexpr char ProjectorFringeCodingMode[] = "ProjectorFringeCodingMode";
inline constexpr char ProjectorPowerLevel[] = "ProjectorPowerLevel";
inline constexpr char AntiFlickerMode[] = "AntiFlickerMode";
inline constexpr char LaserFrameAmplitude[] = "LaserFrameAmplitude";
inline constexpr char LaserFrameOffset[] = "LaserFrameOffset";
inline constexpr char LaserFramePartitionCount[] = "LaserFramePartitionCount";
inline constexpr char LaserPowerLevel[] = "LaserPowerLevel";
inline constexpr char LaserFringeCodingMode[] = "LaserFringeCodingMode";
inline constexpr char VelaCaptureMode[] = "VelaCaptureMode";
inline constexpr char FringeCodingMode[] = "FringeCodingMode";

// Every parameter name, for code that walks them all (the virtual camera, the tool's preset files).
inline constexpr const char* All[] = {
    Scan2DExposureMode,
    Scan2DExposureTime,
    Scan2DHDRExposureSequence,
    Scan2DExpectedGrayValue,
    Scan2DToneMappingEnable,
    Scan2DSharpenFactor,
    Scan2DROI,
    Scan3DExposureCount,
    Scan3DExposureTime,
    Scan3DExposureTime2,
    Scan3DExposureTime3,
    Scan3DGain,
    Scan3DROI,
    DepthLowerLimit,
    DepthUpperLimit,
    FringeContrastThreshold,
    FringeMinThreshold,
    CloudOutlierFilterMode,
    CloudSmoothMode,
    ProjectorFringeCodingMode,
    ProjectorPowerLevel,
    AntiFlickerMode,
    LaserFrameAmplitude,
    LaserFrameOffset,
    LaserFramePartitionCount,
    LaserPowerLevel,
    LaserFringeCodingMode,
    VelaCaptureMode,
    FringeCodingMode,
};
}  // namespace parameter

// Values of "image_type" in a capture request.
enum class ImageType : std::int32_t {
    Depth = 8193,  // 0x2001
    Color = 8194,  // 0x2002
};

// Pixel types of a colour payload ("type" of the image header).
inline constexpr std::int32_t kPixelTypeBgr = 16;
inline constexpr std::int32_t kPixelTypeGray = 0;

// Depth samples are little-endian 16-bit values offset by this amount (raw 32768 = no measurement).
inline constexpr std::int32_t kDepthOffset = 32768;

// Cameras announce themselves to this UDP port.
inline constexpr std::uint16_t kDiscoveryPort = 45454;
// Largest announcement a camera sends.
inline constexpr std::size_t kMaxAnnouncementBytes = 2048;

}  // namespace protocol
}  // namespace norvik
