#include "hdr_sequence.h"

#include <cctype>
#include <cstdlib>

namespace quorix {
namespace virtualcam {

namespace {

// A plain decimal number: digits, optionally a point and more digits (no sign, no exponent).
bool isPlainDecimal(const std::string& text) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    bool point = false;
    for (char c : text) {
        if (c == '.') {
            if (point) return false;
            point = true;
        } else if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool parseHdrSequence(const std::string& text, std::vector<double>& times, std::string& error) {
    times.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t suffix = item.size() >= 2 ? item.size() - 2 : 0;
        if (item.size() < 3 || item.compare(suffix, 2, "ms") != 0 ||
            !isPlainDecimal(item.substr(0, suffix))) {
            error = "Invalid Scan2DHDRExposureSequence \"" + text +
                    "\": expected exposure times like 10ms,20.5ms separated by commas.";
            return false;
        }
        const double value = std::strtod(item.c_str(), nullptr);
        if (value < kMinHdrExposureMs || value > kMaxHdrExposureMs) {
            error = "Invalid Scan2DHDRExposureSequence \"" + text +
                    "\": each exposure time must be from 0.1 to 999 ms.";
            return false;
        }
        times.push_back(value);
        if (times.size() > kMaxHdrExposures) {
            error = "Invalid Scan2DHDRExposureSequence \"" + text + "\": at most 5 exposure times.";
            return false;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

}  // namespace virtualcam
}  // namespace quorix
