#pragma once

#include <string>

namespace quorix {
namespace files {

// Outcome of a file operation: empty when it worked, otherwise a sentence for a person naming the file.
struct FileResult {
    std::string error;

    bool ok() const { return error.empty(); }
    static FileResult failure(const std::string& path, const std::string& what) {
        return FileResult{path + ": " + what};
    }
};

}  // namespace files
}  // namespace quorix
