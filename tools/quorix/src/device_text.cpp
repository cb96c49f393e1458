#include "device_text.h"

#include <json/writer.h>

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "terminal_text.h"
#include "tool.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;

std::string errorCodeName(std::int32_t code) {
    switch (code) {
        case api::Success:
            return "Success";
        case api::InvalidDevice:
            return "InvalidDevice";
        case api::ReadError:
            return "ReadError";
        case api::UnsupportedFirmware:
            return "UnsupportedFirmware";
        case api::WriteError:
            return "WriteError";
        case api::UnsupportedModel:
            return "UnsupportedModel";
        case api::CaptureError:
            return "CaptureError";
        case api::EmptyInput:
            return "EmptyInput";
        case api::InvalidIntrinsics:
            return "InvalidIntrinsics";
        default:
            return "code";
    }
}

bool connectDevice(api::QuorixDevice& device, const std::string& addressText, int timeoutMs) {
    Address address;
    std::string error;
    if (!parseAddress(addressText, address, error)) {
        reportFailure(error);
        return false;
    }
    const api::ErrorStatus status = device.connect(address.host, address.port, timeoutMs);
    if (!status.isOk()) {
        reportFailure("cannot connect to " + address.host + ":" + std::to_string(address.port), status);
        return false;
    }
    return true;
}

Json::Value identityToJson(const api::QuorixDeviceInfo& info) {
    Json::Value value(Json::objectValue);
    value["model"] = info.model;
    value["id"] = info.id;
    value["hardwareVersion"] = info.hardwareVersion;
    value["firmwareVersion"] = info.firmwareVersion;
    value["ipAddress"] = info.ipAddress;
    value["port"] = info.port;
    return value;
}

Json::Value resolutionToJson(const api::DeviceResolution& resolution) {
    Json::Value value(Json::objectValue);
    value["image2DWidth"] = resolution.image2DWidth;
    value["image2DHeight"] = resolution.image2DHeight;
    value["image3DWidth"] = resolution.image3DWidth;
    value["image3DHeight"] = resolution.image3DHeight;
    return value;
}

void printPairs(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& [name, value] : pairs) rows.emplace_back(printable(name), printable(value));
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    for (const auto& row : rows)
        out << "  " << std::left << std::setw(int(width) + 2) << row.first << row.second << "\n";
}

void printTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& cells) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : cells) {
        rows.emplace_back();
        for (const auto& cell : row) rows.back().push_back(printable(cell));
    }
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) widths[c] = header[c].size();
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    auto printRow = [&](const std::vector<std::string>& row) {
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
            if (c + 1 == row.size())
                out << row[c];
            else
                out << std::left << std::setw(int(widths[c]) + 2) << row[c];
        }
        out << "\n";
    };
    printRow(header);
    for (const auto& row : rows) printRow(row);
}

void printIdentity(std::ostream& out, const api::QuorixDeviceInfo& info) {
    printPairs(out, {{"model", info.model},
                     {"id", info.id},
                     {"firmware", info.firmwareVersion},
                     {"hardware", info.hardwareVersion},
                     {"address", info.ipAddress + ":" + std::to_string(info.port)}});
}

namespace {
std::string numbers(const double* values, int count) {
    std::ostringstream text;
    text << std::setprecision(6);
    for (int i = 0; i < count; ++i) text << (i ? " " : "") << values[i];
    return text.str();
}
}  // namespace

void printCalibration(std::ostream& out, const api::DeviceIntri& intri) {
    printPairs(out, {{"2D fx fy cx cy", numbers(intri.intrinsic2DCamera.intrinsic, 4)},
                     {"2D distortion", numbers(intri.intrinsic2DCamera.distCoefficients, 5)},
                     {"3D fx fy cx cy", numbers(intri.intrinsic3DCamera.intrinsic, 4)},
                     {"3D distortion", numbers(intri.intrinsic3DCamera.distCoefficients, 5)},
                     {"rotation", numbers(intri.rotation[0], 3) + " / " + numbers(intri.rotation[1], 3) +
                                      " / " + numbers(intri.rotation[2], 3)},
                     {"translation (mm)", numbers(intri.translation, 3)}});
}

std::string toJsonText(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    return Json::writeString(builder, value) + "\n";
}

std::string compactJson(const Json::Value& value) {
    if (value.isString()) return value.asString();
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, value);
}

void printJson(std::ostream& out, const Json::Value& value) { out << toJsonText(value); }

std::string formatMs(double ms) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << ms << " ms";
    return text.str();
}

}  // namespace tool
}  // namespace quorix
