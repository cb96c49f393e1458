#include "web_server.h"

#include <websocketpp/config/asio_no_tls.hpp>
#include <websocketpp/server.hpp>

#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>

namespace quorix {
namespace viewer {

namespace {

using Endpoint = websocketpp::server<websocketpp::config::asio>;
using Handle = websocketpp::connection_hdl;

constexpr const char* kSocketPath = "/ws";

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

std::string contentTypeFor(const std::string& path) {
    static const std::map<std::string, std::string> types = {{".html", "text/html; charset=utf-8"},
                                                             {".js", "text/javascript; charset=utf-8"},
                                                             {".css", "text/css; charset=utf-8"},
                                                             {".json", "application/json"},
                                                             {".png", "image/png"},
                                                             {".svg", "image/svg+xml"},
                                                             {".ico", "image/x-icon"}};
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos) {
        const auto found = types.find(path.substr(dot));
        if (found != types.end()) return found->second;
    }
    return "application/octet-stream";
}

bool isSafePagePath(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    bool segmentStart = true;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '/') {
            if (segmentStart) return false;  // empty segment
            segmentStart = true;
            continue;
        }
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.';
        if (!plain || (segmentStart && c == '.')) return false;
        segmentStart = false;
    }
    return !segmentStart;
}

struct WebServer::Impl {
    std::string pageDirectory;
    ServerHandlers handlers;
    Endpoint endpoint;
    std::uint16_t port = 0;

    std::mutex clientsMutex;
    ClientId nextClient = 1;
    std::map<ClientId, Handle> clients;
    std::map<Handle, ClientId, std::owner_less<Handle>> ids;

    Endpoint::connection_ptr connection(ClientId client) {
        Handle handle;
        {
            std::lock_guard<std::mutex> lock(clientsMutex);
            const auto found = clients.find(client);
            if (found == clients.end()) return nullptr;
            handle = found->second;
        }
        websocketpp::lib::error_code ec;
        auto con = endpoint.get_con_from_hdl(handle, ec);
        return ec ? nullptr : con;
    }

    void opened(Handle handle) {
        ClientId id;
        {
            std::lock_guard<std::mutex> lock(clientsMutex);
            id = nextClient++;
            clients[id] = handle;
            ids[handle] = id;
        }
        if (handlers.opened) handlers.opened(id);
    }

    void closed(Handle handle) {
        ClientId id = 0;
        {
            std::lock_guard<std::mutex> lock(clientsMutex);
            const auto found = ids.find(handle);
            if (found == ids.end()) return;
            id = found->second;
            ids.erase(found);
            clients.erase(id);
        }
        if (handlers.closed) handlers.closed(id);
    }

    void message(Handle handle, Endpoint::message_ptr message) {
        ClientId id = 0;
        {
            std::lock_guard<std::mutex> lock(clientsMutex);
            const auto found = ids.find(handle);
            if (found == ids.end()) return;
            id = found->second;
        }
        if (message->get_opcode() != websocketpp::frame::opcode::text) {
            websocketpp::lib::error_code ec;
            endpoint.close(handle, websocketpp::close::status::unsupported_data, "text messages only", ec);
            return;
        }
        if (handlers.text) handlers.text(id, message->get_payload());
    }

    void http(Handle handle) {
        websocketpp::lib::error_code ec;
        auto con = endpoint.get_con_from_hdl(handle, ec);
        if (ec) return;
        const std::string& method = con->get_request().get_method();
        std::string target = con->get_resource();
        const std::size_t query = target.find('?');
        const std::string path = target.substr(0, query);
        auto reply = [con](const HttpReply& r) {
            con->set_status(static_cast<websocketpp::http::status_code::value>(r.status));
            con->replace_header("Content-Type", r.contentType);
            con->replace_header("Cache-Control", "no-store");
            for (const auto& [name, value] : r.headers) con->replace_header(name, value);
            con->set_body(r.body);
        };
        if (method != "GET") {
            reply({405, "text/plain; charset=utf-8", "only GET is served\n", {}});
            return;
        }
        if (handlers.request) {
            // The handler may answer later from another thread; the connection waits for it.
            con->defer_http_response();
            auto respond = [con, reply](HttpReply r) {
                reply(r);
                websocketpp::lib::error_code ignored;
                con->send_http_response(ignored);
            };
            if (handlers.request(target, respond)) return;
            // Not the handler's: answer now, as for an ordinary file.
            HttpReply r = pageFile(path);
            reply(r);
            con->send_http_response(ec);
            return;
        }
        reply(pageFile(path));
    }

    HttpReply pageFile(const std::string& path) const {
        const std::string name = path == "/" ? "/index.html" : path;
        std::string bytes;
        if (!isSafePagePath(name) || !readFile(pageDirectory + name, bytes))
            return {404, "text/plain; charset=utf-8", "not found\n", {}};
        return {200, contentTypeFor(name), std::move(bytes), {}};
    }
};

WebServer::WebServer(std::string pageDirectory, ServerHandlers handlers) : impl_(std::make_unique<Impl>()) {
    impl_->pageDirectory = std::move(pageDirectory);
    impl_->handlers = std::move(handlers);
    Endpoint& e = impl_->endpoint;
    e.clear_access_channels(websocketpp::log::alevel::all);
    e.clear_error_channels(websocketpp::log::elevel::all);
    e.init_asio();
    e.set_reuse_addr(true);
    e.set_max_message_size(kMaxIncomingMessage);
    e.set_max_http_body_size(kMaxIncomingMessage);
    Impl* impl = impl_.get();
    e.set_validate_handler([impl](Handle h) {
        websocketpp::lib::error_code ec;
        auto con = impl->endpoint.get_con_from_hdl(h, ec);
        return !ec && con->get_resource() == kSocketPath;
    });
    e.set_open_handler([impl](Handle h) { impl->opened(h); });
    e.set_close_handler([impl](Handle h) { impl->closed(h); });
    e.set_fail_handler([impl](Handle h) { impl->closed(h); });
    e.set_message_handler([impl](Handle h, Endpoint::message_ptr m) { impl->message(h, m); });
    e.set_http_handler([impl](Handle h) { impl->http(h); });
}

WebServer::~WebServer() = default;

bool WebServer::listen(const std::string& host, std::uint16_t port, std::string& error) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(host, ec);
    if (ec) {
        error = host + " is not an IP address";
        return false;
    }
    impl_->endpoint.listen(asio::ip::tcp::endpoint(address, port), ec);
    if (!ec) impl_->endpoint.start_accept(ec);
    if (ec) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + ec.message();
        return false;
    }
    impl_->port = impl_->endpoint.get_local_endpoint(ec).port();
    return true;
}

std::uint16_t WebServer::port() const { return impl_->port; }

void WebServer::run(bool stopOnSignals) {
    std::unique_ptr<asio::signal_set> signals;
    if (stopOnSignals) {
        signals = std::make_unique<asio::signal_set>(impl_->endpoint.get_io_service(), SIGINT, SIGTERM);
        signals->async_wait([this](const asio::error_code& ec, int) {
            if (!ec) stop();
        });
    }
    impl_->endpoint.run();
}

void WebServer::stop() {
    // On the server's own thread, which owns the connections.
    asio::post(impl_->endpoint.get_io_service(), [impl = impl_.get()] {
        websocketpp::lib::error_code ec;
        impl->endpoint.stop_listening(ec);
        std::vector<Handle> open;
        {
            std::lock_guard<std::mutex> lock(impl->clientsMutex);
            for (const auto& entry : impl->clients) open.push_back(entry.second);
        }
        for (const Handle& h : open) impl->endpoint.close(h, websocketpp::close::status::going_away, "", ec);
        impl->endpoint.stop_perpetual();
        impl->endpoint.stop();
    });
}

void WebServer::sendText(ClientId client, std::string text) {
    asio::post(impl_->endpoint.get_io_service(), [impl = impl_.get(), client, text = std::move(text)] {
        if (auto con = impl->connection(client)) con->send(text, websocketpp::frame::opcode::text);
    });
}

void WebServer::sendBinaryUnlessBusy(ClientId client, std::shared_ptr<const std::string> bytes,
                                     std::function<void()> skipped) {
    asio::post(impl_->endpoint.get_io_service(),
               [impl = impl_.get(), client, bytes = std::move(bytes), skipped = std::move(skipped)] {
                   auto con = impl->connection(client);
                   if (!con) return;
                   if (con->get_buffered_amount() > 0) {
                       skipped();
                       return;
                   }
                   con->send(bytes->data(), bytes->size(), websocketpp::frame::opcode::binary);
               });
}

}  // namespace viewer
}  // namespace quorix
