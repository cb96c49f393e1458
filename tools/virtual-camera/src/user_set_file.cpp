#include "user_set_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "json_input.h"

namespace quorix {
namespace virtualcam {

LoadResult loadUserSets(const std::string& path, UserSetStore& store, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (!std::filesystem::exists(path)) return LoadResult::Missing;
        error = "cannot read " + path + ": " + std::strerror(errno);
        return LoadResult::Corrupt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    Json::Value document;
    std::string parseErrors;
    if (!parseJsonInput(text.str(), JsonDialect::Strict, document, parseErrors)) {
        error = path + " is not valid JSON: " + parseErrors;
        return LoadResult::Corrupt;
    }
    std::string reason;
    if (!store.fromJson(document, reason)) {
        error = path + " holds no usable user sets: " + reason;
        return LoadResult::Corrupt;
    }
    return LoadResult::Loaded;
}

bool saveUserSets(const std::string& path, const UserSetStore& store, std::string& error) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    const std::string text = Json::writeString(builder, store.toJson()) + "\n";
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            error = "cannot write " + temporary + ": " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace virtualcam
}  // namespace quorix
