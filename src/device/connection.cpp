#include "device/connection.h"

#include <cstdlib>
#include <regex>

#include "device/device_impl.h"

namespace norvik {
namespace device {

namespace {

constexpr char kConnectFailed[] = "Failed to connect to the Quorix Industrial 3D Camera.";

const std::regex& addressPattern() {
    static const std::regex pattern(
        "(25[0-4]|2[0-4][0-9]|1[0-9][0-9]|[1-9][0-9]|[1-9])\\."
        "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9][0-9]|[0-9])\\."
        "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9][0-9]|[0-9])\\."
        "(25[0-4]|2[0-4][0-9]|1[0-9][0-9]|[1-9][0-9]|[1-9])");
    return pattern;
}

const std::regex& versionPattern() {
    // The points are deliberately unescaped: cameras have sent other separators.
    static const std::regex pattern("(\\d+).(\\d+).(\\d+)");
    return pattern;
}

// The longest texts the patterns are run on. The matcher recurses per character and would exhaust the stack
// on texts of some ten thousand characters; nothing longer than these can match anyway.
constexpr std::size_t kLongestAddress = 15;  // "255.255.255.255"
constexpr std::size_t kLongestVersion = 64;  // three numbers of any plausible length

std::uint32_t toNumber(const std::string& digits) {
    return static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 10));
}

}  // namespace

bool isValidIpAddress(const std::string& text) {
    return text.size() <= kLongestAddress && std::regex_match(text, addressPattern());
}

FirmwareVersion parseVersion(const std::string& text) {
    std::smatch match;
    if (text.size() > kLongestVersion || !std::regex_match(text, match, versionPattern())) return {};
    return {toNumber(match[1]), toNumber(match[2]), toNumber(match[3])};
}

bool isSupportedFirmware(const std::string& version) {
    const FirmwareVersion have = parseVersion(version);
    const FirmwareVersion need = parseVersion(kMinimumFirmwareVersion);
    return have.major > need.major || (have.major == need.major && have.minor >= need.minor);
}

}  // namespace device

namespace api {

ErrorStatus QuorixDeviceImpl::connect(const std::string& ipAddress, int port, int timeout) {
    using device::kConnectFailed;
    if (!device::isValidIpAddress(ipAddress))
        return {InvalidDevice, std::string(kConnectFailed) + " IP Address is invalid."};
    if (port < 0 || port > 65535) return {InvalidDevice, std::string(kConnectFailed) + " Port is invalid."};

    QuorixDeviceInfo info;
    DeviceIntri intri;
    const ErrorStatus opened = channel_.openChannel(ipAddress, static_cast<std::uint16_t>(port), timeout);
    bool reached = opened.isOk();
    if (reached) {
        connectedAddress_ = ipAddress;
        reached = fetchDeviceInfo(info).isOk() && fetchDeviceIntri(intri).isOk();
    }
    if (!reached) {
        return {InvalidDevice,
                std::string(kConnectFailed) + " Please check the network connection." + opened.message};
    }
    if (!device::isSupportedFirmware(info.firmwareVersion)) {
        channel_.closeChannel();
        return {UnsupportedFirmware, std::string(kConnectFailed) + " Only camera with firmware above V" +
                                         device::kMinimumFirmwareVersion +
                                         " is supported in this SDK. Please use Quorix Viewer to upgrade."};
    }
    return {};
}

void QuorixDeviceImpl::disconnect() { channel_.closeChannel(); }

}  // namespace api
}  // namespace norvik
