#pragma once

// The files `quorix capture` writes: which option writes which kinds, the checks of the names given, and the
// numbering of the files of several frames.

#include <string>
#include <vector>

namespace quorix {
namespace tool {

// One file option of the capture, with the file name given (empty when not asked for).
struct OutputFile {
    const char* option;                   // "--cloud"
    std::vector<const char*> extensions;  // what the option writes, by extension (".ply", ".pcd")
    std::string path;
};

// Empty when every named file has an extension its option writes and no two options name the same file;
// otherwise the reason, naming the option and listing what it writes.
std::string checkOutputFiles(const std::vector<OutputFile>& outputs);

// "name.ext" becomes "name-0003.ext" when the frames are numbered.
std::string numberedPath(const std::string& path, int index, bool numbered);

}  // namespace tool
}  // namespace quorix
