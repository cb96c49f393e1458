#include "capture_outputs.h"

#include <cstdio>
#include <filesystem>

#include "quorix/QuorixExport.h"

namespace quorix {
namespace tool {

namespace files = norvik::files;

namespace {

std::string listed(const std::vector<const char*>& extensions) {
    std::string text;
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (i > 0) text += i + 1 == extensions.size() ? " or " : ", ";
        text += extensions[i];
    }
    return text;
}

// The same file whatever way it is spelt: relative or absolute, with "." and ".." or without.
std::string comparable(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

std::string checkOutputFiles(const std::vector<OutputFile>& outputs) {
    for (const OutputFile& o : outputs) {
        if (o.path.empty()) continue;
        bool known = false;
        for (const char* extension : o.extensions) known = known || files::hasExtension(o.path, extension);
        if (!known)
            return std::string(o.option) + " " + o.path + ": " + o.option + " writes " + listed(o.extensions);
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (outputs[i].path.empty() || outputs[j].path.empty()) continue;
            if (comparable(outputs[i].path) == comparable(outputs[j].path))
                return std::string(outputs[i].option) + " and " + outputs[j].option + " name the same file " +
                       outputs[i].path;
        }
    }
    return {};
}

std::string numberedPath(const std::string& path, int index, bool numbered) {
    if (!numbered || path.empty()) return path;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "-%04d", index);
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + suffix;
    return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace tool
}  // namespace quorix
