#include "temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace norvik {
namespace files {

namespace {

// ".name.XXXXXX" next to the target: hidden, and on the same file system, so the rename is atomic.
std::string temporaryName(const std::string& target, std::mt19937_64& random) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(8, 'x');
    for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
    return folder + "." + name + "." + suffix + ".tmp";
}

}  // namespace

TemporaryFile::TemporaryFile(std::string target) : target_(std::move(target)) {
    std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        path_ = temporaryName(target_, random);
        // 0666 less the umask, as a new file gets; O_EXCL never follows or reuses an existing name.
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            error_ = errno;
            if (error_ == EEXIST) continue;
            path_.clear();
            return;
        }
        stream_ = ::fdopen(fd, "wb");
        if (stream_ == nullptr) {
            error_ = errno;
            ::close(fd);
            ::unlink(path_.c_str());
            path_.clear();
            return;
        }
        // Large writes go straight through; small ones are gathered.
        std::setvbuf(stream_, nullptr, _IOFBF, std::size_t(1) << 20);
        return;
    }
    path_.clear();
}

TemporaryFile::~TemporaryFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!path_.empty()) ::unlink(path_.c_str());
}

FileResult TemporaryFile::creationFailure() const {
    return FileResult::failure(target_, std::string("cannot be created (") + std::strerror(error_) + ")");
}

bool TemporaryFile::write(const void* bytes, std::size_t size) {
    if (stream_ == nullptr || failed_) return false;
    if (size > 0 && std::fwrite(bytes, 1, size, stream_) != size) {
        error_ = errno;
        failed_ = true;
    }
    return !failed_;
}

void TemporaryFile::closeStream() {
    if (stream_ == nullptr) return;
    if (std::fclose(stream_) != 0 && !failed_) {
        error_ = errno;
        failed_ = true;
    }
    stream_ = nullptr;
    descriptorOnly_ = true;
}

FileResult TemporaryFile::commit() {
    if (path_.empty()) return creationFailure();
    if (stream_ != nullptr && std::fflush(stream_) != 0 && !failed_) {
        error_ = errno;
        failed_ = true;
    }
    closeStream();
    if (failed_)
        return FileResult::failure(
            target_, std::string("could not be written completely (") + std::strerror(error_) + ")");
    if (std::rename(path_.c_str(), target_.c_str()) != 0)
        return FileResult::failure(target_, std::string("cannot be replaced (") + std::strerror(errno) + ")");
    path_.clear();
    return {};
}

}  // namespace files
}  // namespace norvik
