#pragma once

// The 2D HDR exposure sequence: one to five exposure times in milliseconds, held by the camera as one text
// parameter such as "10ms,20.5ms,40ms".

#include <string>
#include <vector>

#include "quorix/Types.h"
#include "transport/command_client.h"

namespace norvik {
namespace settings {

// The text form of one value: at most four significant digits, no trailing zeros or point, then "ms".
std::string hdrValueText(double milliseconds);

// Every value of the text, left to right: each run of the form digits "ms" or digits "." digits "ms"
// (that is, the pattern "(([0-9]\d*ms)|([0-9]\d*\.\d*ms))"); anything between them is ignored. False when
// a matched number does not fit in a double; values then holds the numbers before it.
bool parseHdrSequence(const std::string& text, std::vector<double>& values);

// Success, or WriteError when the count (1 to 5) or a value (0.1 to 999) is refused.
api::ErrorStatus checkScan2DHDRExposureSequence(const std::vector<double>& values);
// Checks as above, then sends the text form.
api::ErrorStatus setScan2DHDRExposureSequence(transport::CommandClient& client,
                                              const std::vector<double>& values);
// values is cleared in every case and holds the camera's values after a successful read.
api::ErrorStatus getScan2DHDRExposureSequence(transport::CommandClient& client, std::vector<double>& values);

}  // namespace settings
}  // namespace norvik
