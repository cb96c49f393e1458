#include "settings/parameter_range.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace norvik {
namespace settings {

namespace {

template <typename T>
std::string compose(const std::string& name, const T& min, const T& max) {
    std::ostringstream text;
    // The host's locale must not change the digits (decimal comma, grouping).
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(6);
    text << "The valid " << name << " parameter range is from " << min << " to " << max
         << ".Please check the input value.";
    return text.str();
}

}  // namespace

std::string rangeErrorMessage(const std::string& name, const IntRange& range) {
    return compose(name, range.min, range.max);
}

std::string rangeErrorMessage(const std::string& name, const RealRange& range) {
    return compose(name, range.min, range.max);
}

}  // namespace settings
}  // namespace norvik
