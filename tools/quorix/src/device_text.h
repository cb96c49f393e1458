#pragma once

// What the subcommands share: connecting, describing a camera as a table or as JSON, and timing.

#include <json/value.h>

#include <chrono>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "address.h"
#include "quorix/QuorixDevice.h"

namespace quorix {
namespace tool {

std::string errorCodeName(std::int32_t code);

// Connects to ADDRESS[:PORT]; on failure prints the reason and returns false.
bool connectDevice(norvik::api::QuorixDevice& device, const std::string& addressText, int timeoutMs);

Json::Value identityToJson(const norvik::api::QuorixDeviceInfo& info);
Json::Value resolutionToJson(const norvik::api::DeviceResolution& resolution);

// Two columns, names left-aligned. Both printers escape the control characters of every cell (printable).
void printPairs(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& rows);
// A header row and rows, each column as wide as its widest cell.
void printTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);
void printIdentity(std::ostream& out, const norvik::api::QuorixDeviceInfo& info);
void printCalibration(std::ostream& out, const norvik::api::DeviceIntri& intri);
// Indented JSON followed by a newline.
void printJson(std::ostream& out, const Json::Value& value);
std::string toJsonText(const Json::Value& value);
// On one line; a string without its quotes.
std::string compactJson(const Json::Value& value);

// Milliseconds since construction (or the last restart), with one decimal.
class Stopwatch {
public:
    double elapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }
    double restart() {
        const double ms = elapsedMs();
        start_ = std::chrono::steady_clock::now();
        return ms;
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
std::string formatMs(double ms);

}  // namespace tool
}  // namespace quorix
