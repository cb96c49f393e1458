#pragma once

// The viewer's web server: the page's files over HTTP and the live connection to each browser tab over a
// WebSocket ("/ws"), on one port. It knows nothing of cameras; the session behind it decides what to send.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorix {
namespace viewer {

using ClientId = std::uint64_t;

struct HttpReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// Answers one HTTP request; may be called from any thread, once.
using Respond = std::function<void(HttpReply)>;

struct ServerHandlers {
    std::function<void(ClientId)> opened;
    std::function<void(ClientId)> closed;
    std::function<void(ClientId, const std::string&)> text;
    // A GET outside the page's files ("/save/..."): false when the target is not the handler's.
    std::function<bool(const std::string& target, Respond respond)> request;
};

class WebServer {
public:
    // pageDirectory holds index.html and everything it loads.
    WebServer(std::string pageDirectory, ServerHandlers handlers);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds host:port (port 0: any free port). False with the reason when it cannot.
    bool listen(const std::string& host, std::uint16_t port, std::string& error);
    std::uint16_t port() const;
    // Serves on the calling thread until stop() or, with stopOnSignals, SIGINT or SIGTERM.
    void run(bool stopOnSignals);
    // From any thread; closes every connection.
    void stop();

    // From any thread; the message is queued on the server's own thread, which alone touches a
    // connection's queue. A message to a client that is gone is dropped.
    void sendText(ClientId client, std::string text);
    // The same, unless an earlier message to the client is still queued: then skipped runs instead (on the
    // server's thread), so that a client that does not read never has more than one frame waiting.
    void sendBinaryUnlessBusy(ClientId client, std::shared_ptr<const std::string> bytes,
                              std::function<void()> skipped);

    // Messages from a browser are small JSON texts; anything longer is refused by closing the connection.
    static constexpr std::size_t kMaxIncomingMessage = 64 * 1024;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The content type served for a file name, by its extension.
std::string contentTypeFor(const std::string& path);
// Whether a request path may name a page file: "/" separated names of letters, digits, '.', '-' and '_',
// none starting with '.'.
bool isSafePagePath(const std::string& path);

}  // namespace viewer
}  // namespace quorix
