// The virtual camera's scene reader on arbitrary scene.json texts, in a folder that holds one valid 2x2
// frame (frame.bgr, frame.f32) and, outside it, a file no scene may reach.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "recorded_scene.h"

namespace {

namespace fs = std::filesystem;

fs::path makeFolders() {
    const fs::path root = fs::temp_directory_path() / ("vcam-scene-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(root / "scene");
    std::ofstream(root / "scene" / "frame.bgr", std::ios::binary) << std::string(2 * 2 * 3, '\x40');
    std::ofstream(root / "scene" / "frame.f32", std::ios::binary) << std::string(2 * 2 * 4, '\0');
    std::ofstream(root / "outside.bgr", std::ios::binary) << std::string(2 * 2 * 3, 's');
    return root / "scene";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path folder = makeFolders();
    {
        std::ofstream index(folder / "scene.json", std::ios::binary | std::ios::trunc);
        index.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    quorix::virtualcam::RecordedScene scene;
    std::string error;
    if (scene.load(folder.string(), error)) {
        scene.nextDepth();
        scene.nextColor(true);
    }
    return 0;
}
