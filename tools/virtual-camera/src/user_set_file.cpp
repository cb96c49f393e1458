#include "user_set_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "json_input.h"

namespace quorix {
namespace virtualcam {

namespace {

bool writeAll(int file, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(file, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

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
    // A new file of its own, created exclusively: whatever is planted next to the state file (a link to
    // another file, say) is neither followed nor overwritten.
    std::string temporary = path + ".XXXXXX";
    const int file = ::mkstemp(temporary.data());
    if (file < 0) {
        error = "cannot create a file next to " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = writeAll(file, text) && ::fsync(file) == 0;
    const int writeError = errno;
    if (::close(file) != 0 || !written) {
        error = "cannot write " + temporary + ": " + std::strerror(written ? errno : writeError);
        ::unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace virtualcam
}  // namespace quorix
