#include "view_saves.h"

#include <filesystem>

#include "quorix/QuorixExport.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;
namespace files = norvik::files;
namespace fs = std::filesystem;
using viewer::HttpReply;

namespace {

struct FileKind {
    std::string name;
    std::string contentType;
};

const std::vector<FileKind>& fileKinds() {
    static const std::vector<FileKind> kinds = {{"cloud.ply", "application/octet-stream"},
                                                {"cloud.pcd", "application/octet-stream"},
                                                {"color.png", "image/png"},
                                                {"depth.tiff", "image/tiff"}};
    return kinds;
}

files::FileResult writeFile(const std::string& name, const std::string& path,
                            const api::Frame<api::ElementColor>& color,
                            const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri) {
    if (name == "color.png") return files::writeColorPng(path, color);
    if (name == "depth.tiff") return files::writeDepthTiff(path, depth);
    api::Frame<api::ElementPointXYZBGR> cloud;
    const api::ErrorStatus status = api::QuorixDevice::computePointXYZBGRMap(depth, color, intri, cloud);
    if (!status.isOk())
        return files::FileResult::failure(name, "the cloud cannot be computed: " + status.message);
    return files::writeCloud(path, cloud);
}

}  // namespace

const std::vector<std::string>& frameFileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const FileKind& k : fileKinds()) n.push_back(k.name);
        return n;
    }();
    return names;
}

HttpReply plainReply(int status, const std::string& text) {
    return {status, "text/plain; charset=utf-8", text + "\n", {}};
}

HttpReply frameFileReply(const std::string& name, std::uint32_t sequence,
                         const api::Frame<api::ElementColor>& color,
                         const api::Frame<api::ElementDepth>& depth, const api::DeviceIntri& intri) {
    const FileKind* kind = nullptr;
    for (const FileKind& k : fileKinds())
        if (name == k.name) kind = &k;
    if (!kind) return plainReply(404, "no such file: " + name);

    std::error_code ec;
    std::string scratch = (fs::temp_directory_path(ec) / "quorix-view-XXXXXX").string();
    if (ec || !mkdtemp(&scratch[0])) return plainReply(500, "cannot create a scratch folder");
    const std::string path = scratch + "/" + name;
    const files::FileResult written = writeFile(name, path, color, depth, intri);
    HttpReply reply;
    if (written.ok() && files::readTextFile(path, reply.body)) {
        reply.contentType = kind->contentType;
        const std::string download = "quorix-" + std::to_string(sequence) + "-" + name;
        reply.headers.push_back({"Content-Disposition", "attachment; filename=\"" + download + "\""});
    } else {
        reply = plainReply(500, written.ok() ? path + ": cannot be read back" : written.error);
    }
    fs::remove_all(scratch, ec);
    return reply;
}

}  // namespace tool
}  // namespace quorix
