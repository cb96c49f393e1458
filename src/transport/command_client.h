#pragma once

// The request/reply channel to one camera: a ZeroMQ REQ socket, one request and one reply per exchange,
// exchanges serialised by a mutex. Every operation that can fail reports an ErrorStatus; transport failures
// also print one diagnostic line (transport/diagnostics.h; standard output by default).

#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <zmq.hpp>

#include "quorix/Types.h"

namespace norvik {
namespace transport {

class CommandClient {
public:
    // Throws zmq::error_t when ZeroMQ cannot create the context.
    CommandClient();
    // Closes the channel; never throws.
    ~CommandClient();

    CommandClient(const CommandClient&) = delete;
    CommandClient& operator=(const CommandClient&) = delete;

    // Replaces the socket with a new one connected to address:port. InvalidDevice with ZeroMQ's text when it
    // refuses a step; InvalidDevice without text when address is empty. Connecting is asynchronous: success
    // says nothing about the camera being there.
    api::ErrorStatus openChannel(const std::string& address, std::uint16_t port, int timeout);
    // Disconnects the endpoint if connected. A refusal by ZeroMQ is taken as disconnected.
    void closeChannel();

    // One exchange under the channel lock, the reply left in a ZeroMQ message so that large replies are read
    // in place. ReadError with "Empty response!" (and an empty message) when no reply was obtained.
    api::ErrorStatus sendCommand(const std::string& request, zmq::message_t& reply);

    // Writes the request, exchanges it and parses the reply's JSON (judgeJsonReply). A failure carries
    // failureCode: no reply came, the reply is malformed, or the camera reported an "err_msg".
    api::ErrorStatus requestJson(const Json::Value& request, Json::Value& reply, std::int32_t failureCode);

    // A read whose request is its command alone: the connection guard, then the exchange. ReadError with
    // the exchange's text when it fails.
    api::ErrorStatus readCommand(const char* command, Json::Value& reply);

    bool isConnected() const { return connected.load(); }
    // Success when connected, otherwise InvalidDevice with the message that asks for connect().
    api::ErrorStatus connectionGuard() const;

    const std::string& currentEndpoint() const { return endpoint; }

    static std::string makeEndpoint(const std::string& address, std::uint16_t port);

private:
    zmq::message_t exchange();
    std::unique_ptr<zmq::socket_t> makeSocket();
    // After a failed send or receive the REQ socket is stuck waiting; start afresh on the same endpoint.
    void rebuildSocket();

    std::string endpoint;
    std::string requestBuffer;
    std::mutex channelMutex;
    zmq::context_t context;
    std::unique_ptr<zmq::socket_t> socket;
    std::atomic<bool> connected{false};
    int receiveTimeout = -1;
};

}  // namespace transport
}  // namespace norvik
