#include "settings/hdr_sequence.h"

#include <charconv>
#include <locale>
#include <sstream>
#include <system_error>

#include "settings/catalogue.h"
#include "settings/parameter_access.h"
#include "settings/parameter_range.h"
#include "transport/protocol_names.h"

namespace norvik {
namespace settings {

namespace p = protocol::parameter;

namespace {

constexpr std::size_t kMaxValues = limits::kHdrCount.max;
constexpr RealRange kValueRange = limits::kHdrTime;
constexpr char kSizeMessage[] =
    "The valid parameter sequence range is from 1 to 5. Please check the size of input values.";
constexpr char kUnit[] = "ms";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// End of the run of digits that starts at i.
std::size_t skipDigits(const std::string& text, std::size_t i) {
    while (i < text.size() && isDigit(text[i])) ++i;
    return i;
}

bool hasUnitAt(const std::string& text, std::size_t i) { return text.compare(i, 2, kUnit) == 0; }

}  // namespace

std::string hdrValueText(double milliseconds) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text.precision(4);  // general notation: four significant digits, no trailing zeros
    text << milliseconds << kUnit;
    return text.str();
}

bool parseHdrSequence(const std::string& text, std::vector<double>& values) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isDigit(text[i])) {
            ++i;
            continue;
        }
        // Whether a match starts here depends only on what follows the whole run of digits, so a run that
        // does not start a match is skipped at once (starts inside it fail the same way).
        const std::size_t digitsEnd = skipDigits(text, i);
        std::size_t numberEnd = digitsEnd;
        if (!hasUnitAt(text, digitsEnd) && digitsEnd < text.size() && text[digitsEnd] == '.')
            numberEnd = skipDigits(text, digitsEnd + 1);
        if (!hasUnitAt(text, numberEnd)) {
            i = digitsEnd;
            continue;
        }
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + numberEnd, value);
        (void)end;
        if (error != std::errc()) return false;
        values.push_back(value);
        i = numberEnd + 2;
    }
    return true;
}

api::ErrorStatus checkScan2DHDRExposureSequence(const std::vector<double>& values) {
    if (values.empty() || values.size() > kMaxValues) return {api::WriteError, kSizeMessage};
    for (double value : values) {
        if (auto s = checkRange(p::Scan2DHDRExposureSequence, value, kValueRange); !s.isOk()) return s;
    }
    return {};
}

api::ErrorStatus setScan2DHDRExposureSequence(transport::CommandClient& client,
                                              const std::vector<double>& values) {
    if (auto s = checkScan2DHDRExposureSequence(values); !s.isOk()) return s;
    std::string text;
    for (double value : values) {
        if (!text.empty()) text += ',';
        text += hdrValueText(value);
    }
    return setParameter(client, p::Scan2DHDRExposureSequence, std::move(text));
}

api::ErrorStatus getScan2DHDRExposureSequence(transport::CommandClient& client, std::vector<double>& values) {
    std::string text;
    api::ErrorStatus status = readParameter(client, p::Scan2DHDRExposureSequence, text);
    values.clear();
    if (!status.isOk()) return status;
    if (!parseHdrSequence(text, values)) {
        values.clear();
        return {api::ReadError,
                "Malformed reply: the HDR exposure sequence holds a number too large to read."};
    }
    return status;
}

}  // namespace settings
}  // namespace norvik
