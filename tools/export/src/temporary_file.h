#pragma once

// A file written under a temporary name in its target's folder and renamed over the target once complete:
// readers never see a partial file, and a failed write leaves the old file untouched.

#include <cstdio>
#include <string>

#include "quorix/QuorixExport.h"

namespace norvik {
namespace files {

class TemporaryFile {
public:
    // Creates the temporary file exclusively (never through a planted link), with the permissions a new
    // file gets. ok() tells whether that worked.
    explicit TemporaryFile(std::string target);
    // Removes the temporary file unless it was committed.
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool ok() const { return stream_ != nullptr || descriptorOnly_; }
    // Why the file could not be created, naming the target.
    FileResult creationFailure() const;
    const std::string& path() const { return path_; }
    // Buffered output, or null when the file could not be created.
    std::FILE* stream() { return stream_; }
    bool write(const void* bytes, std::size_t size);
    // Closes the stream (a library that writes through the name closes its own) and renames the file over
    // the target; the failure names the target.
    FileResult commit();
    // For writers that need to open the file by name themselves: closes the stream, keeps the file.
    void closeStream();

private:
    std::string target_;
    std::string path_;
    std::FILE* stream_ = nullptr;
    bool descriptorOnly_ = false;
    bool failed_ = false;
    int error_ = 0;
};

}  // namespace files
}  // namespace norvik
