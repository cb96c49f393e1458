#include "device/api_information.h"

#include <regex>
#include <sstream>

#include "device/connection.h"
#include "quorix/QuorixDevice.h"

#ifndef QUORIX_BUILD_STAMP
#define QUORIX_BUILD_STAMP "unversioned"
#endif

namespace norvik {
namespace device {

namespace {
constexpr char kCopyrightNotice[] = "Copyright (c) Quorix camera library developers. All rights reserved.";
}

std::string buildDate(const std::string& stamp) {
    static const std::regex datePattern("(\\d{4}-\\d{2}-\\d{2})");
    std::smatch match;
    return std::regex_search(stamp, match, datePattern) ? match.str(0) : std::string();
}

std::string apiInformation(const std::string& stamp) {
    std::ostringstream banner;
    // The library's version is the oldest firmware it accepts.
    banner << "Quorix API V" << kMinimumFirmwareVersion << " " << buildDate(stamp) << ". "
           << kCopyrightNotice;
    return banner.str();
}

}  // namespace device

namespace api {
std::string getApiInformation() { return device::apiInformation(QUORIX_BUILD_STAMP); }
}  // namespace api

}  // namespace norvik
