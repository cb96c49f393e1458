#pragma once

#include <string>

namespace norvik {
namespace device {

// The first YYYY-MM-DD date in a build stamp, or empty.
std::string buildDate(const std::string& stamp);
// The version banner for a given build stamp.
std::string apiInformation(const std::string& stamp);

}  // namespace device
}  // namespace norvik
