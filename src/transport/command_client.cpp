#include "transport/command_client.h"

#include "transport/diagnostics.h"
#include "transport/local_address.h"
#include "transport/messages.h"

namespace norvik {
namespace transport {

namespace {

constexpr int kSendTimeoutMs = 1000;
constexpr int kIoThreads = 1;
constexpr int kMaxSockets = 1023;

void printLine(const std::string& line) { reportDiagnostic(DiagnosticStream::Output, line); }

}  // namespace

CommandClient::CommandClient() {
    context.set(zmq::ctxopt::io_threads, kIoThreads);
    context.set(zmq::ctxopt::max_sockets, kMaxSockets);
}

CommandClient::~CommandClient() {
    try {
        closeChannel();
    } catch (...) {
        // Nothing may leave a destructor; the socket is closed below regardless.
    }
    socket.reset();  // before the context, whose termination waits for its sockets
}

std::string CommandClient::makeEndpoint(const std::string& address, std::uint16_t port) {
    return "tcp://" + address + ":" + std::to_string(port);
}

std::unique_ptr<zmq::socket_t> CommandClient::makeSocket() {
    auto fresh = std::make_unique<zmq::socket_t>(context, zmq::socket_type::req);
    fresh->set(zmq::sockopt::rcvtimeo, receiveTimeout);
    fresh->set(zmq::sockopt::sndtimeo, kSendTimeoutMs);
    fresh->set(zmq::sockopt::linger, 0);
    return fresh;
}

api::ErrorStatus CommandClient::openChannel(const std::string& address, std::uint16_t port, int timeout) {
    if (address.empty()) return {api::InvalidDevice, ""};
    try {
        if (!endpoint.empty()) {
            try {
                socket->disconnect(endpoint);
            } catch (const zmq::error_t& e) {
                // Already gone (the peer vanished or an earlier close did it): the endpoint is free either
                // way.
                if (e.num() != ENOENT) throw;
            }
            connected = false;
        }
        receiveTimeout = timeout;
        socket = makeSocket();
        // A camera at the host's own address is reached over loopback.
        endpoint = makeEndpoint(localHostAddress() == address ? "127.0.0.1" : address, port);
        socket->connect(endpoint);
        connected = true;
        return {};
    } catch (const zmq::error_t& e) {
        return {api::InvalidDevice, endpoint + "socket error: " + e.what()};
    }
}

void CommandClient::closeChannel() {
    if (!connected) return;
    try {
        socket->disconnect(endpoint);
    } catch (const zmq::error_t&) {
        // The endpoint is treated as disconnected: nothing else can be done with it.
    }
    endpoint.clear();
    connected = false;
}

api::ErrorStatus CommandClient::connectionGuard() const {
    if (connected) return {};
    return {api::InvalidDevice, kInvalidDeviceMessage};
}

void CommandClient::rebuildSocket() {
    try {
        auto fresh = makeSocket();
        fresh->connect(endpoint);
        socket = std::move(fresh);
    } catch (const zmq::error_t&) {
        // Keep the old socket: later exchanges fail and report as before, until the next connect.
    }
}

zmq::message_t CommandClient::exchange() {
    zmq::message_t request(requestBuffer.data(), requestBuffer.size());
    if (!connected) {
        printLine("Send failed, because the connection is not established!");
        return {};
    }
    // One blocking step; on failure its line is printed and the socket rebuilt for the next exchange.
    auto attempt = [this](auto&& run, const char* timeoutLine) {
        try {
            if (run()) return true;
            printLine(timeoutLine + endpoint);
        } catch (const zmq::error_t& e) {
            printLine(endpoint + "socket error: " + e.what());
        }
        rebuildSocket();
        return false;
    };
    zmq::message_t reply;
    if (!attempt([&] { return socket->send(request, zmq::send_flags::none).has_value(); }, "Send failed!") ||
        !attempt([&] { return socket->recv(reply, zmq::recv_flags::none).has_value(); }, "Recv failed!")) {
        return {};
    }
    return reply;
}

api::ErrorStatus CommandClient::sendCommand(const std::string& request, zmq::message_t& reply) {
    reply.rebuild();
    if (!endpoint.empty()) {
        std::lock_guard<std::mutex> lock(channelMutex);
        requestBuffer = request;
        reply = exchange();
    }
    if (reply.size() == 0) return {api::ReadError, kEmptyResponseMessage};
    return {};
}

}  // namespace transport
}  // namespace norvik
