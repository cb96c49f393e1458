// quorix view: a live viewer in the browser, served by the tool for one camera.
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "device_text.h"
#include "tool.h"
#include "view_session.h"
#include "web_server.h"

namespace quorix {
namespace tool {

namespace api = norvik::api;
namespace fs = std::filesystem;

namespace {

struct ViewOptions {
    std::string address;
    std::string listen = "127.0.0.1:8080";
    std::string page;
    int timeoutMs = 5000;
};

// The page's files: next to the tool in the build tree, or where `cmake --install` put them.
std::string findPage(const std::string& given) {
    if (!given.empty()) return given;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const fs::path dir = self.parent_path();
    for (const fs::path& candidate : {dir / "viewer" / "page", dir / ".." / "share" / "quorix" / "viewer"})
        if (fs::exists(candidate / "index.html", ec)) return candidate.lexically_normal().string();
    return {};
}

bool isLoopback(const std::string& host) { return host.rfind("127.", 0) == 0 || host == "::1"; }

int runView(const ViewOptions& o) {
    Address listen;
    std::string error;
    // The listening address has the camera address's form; its port may be 0 (any free port).
    const bool anyPort = o.listen.size() > 2 && o.listen.compare(o.listen.size() - 2, 2, ":0") == 0;
    if (anyPort) {
        if (!parseAddress(o.listen.substr(0, o.listen.size() - 2), listen, error))
            return reportFailure("--listen " + o.listen + ": " + error);
        listen.port = 0;
    } else if (!parseAddress(o.listen, listen, error) || o.listen.find(':') == std::string::npos) {
        return reportFailure("--listen " + o.listen + ": " + (error.empty() ? "give HOST:PORT" : error));
    }
    const std::string page = findPage(o.page);
    if (page.empty()) return reportFailure("the viewer's page files are not installed next to the tool");

    api::QuorixDevice device;
    if (!connectDevice(device, o.address, o.timeoutMs)) return kExitFailure;
    ViewSession session(device);
    viewer::WebServer server(page, session.handlers());
    if (!server.listen(listen.host, listen.port, error)) return reportFailure(error);
    if (!isLoopback(listen.host))
        std::cerr << "quorix: warning: the viewer has no authentication; anyone who can reach " << listen.host
                  << ":" << server.port() << " can watch the camera and change its settings" << std::endl;
    std::cout << "Viewer of " << o.address << " on http://"
              << (listen.host == "0.0.0.0" ? "127.0.0.1" : listen.host) << ":" << server.port()
              << "/  (Ctrl+C stops it)" << std::endl;
    session.start(server);
    server.run(true);
    session.stop();
    std::cout << "Stopped after " << session.framesCaptured() << " frames" << std::endl;
    return 0;
}

}  // namespace

void addViewCommand(CLI::App& app, Action& action) {
    auto* command = app.add_subcommand(
        "view", "Serve a live viewer of the camera to a browser: images, depth, 3D cloud, settings, saves");
    auto o = std::make_shared<ViewOptions>();
    command->add_option("address", o->address, "ADDRESS[:PORT] of the camera")->required();
    command
        ->add_option("--listen", o->listen,
                     "HOST:PORT to serve on (port 0: any free port); another host than 127.0.0.1 exposes the "
                     "camera to the network without authentication")
        ->capture_default_str();
    command->add_option("--timeout", o->timeoutMs, "reply time-out in milliseconds")->capture_default_str();
    command->add_option("--page", o->page, "folder of the page's files (found next to the tool by default)");
    command->callback([&action, o] { action = [o] { return runView(*o); }; });
}

}  // namespace tool
}  // namespace quorix
