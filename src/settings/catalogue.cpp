#include "settings/catalogue.h"

namespace norvik {
namespace settings {

const Setting* findSetting(const std::string& name) {
    for (const Setting* setting : kCatalogue)
        if (name == setting->name) return setting;
    return nullptr;
}

}  // namespace settings
}  // namespace norvik
