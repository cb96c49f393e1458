#pragma once

// A deliberately plain WebSocket and HTTP client over a blocking loopback socket, for testing the viewer's
// server with well-formed and malformed traffic alike.

#include <cstdint>
#include <string>

namespace probe {

class WebSocketProbe {
public:
    ~WebSocketProbe();

    // Connects and performs the opening handshake on path; false when the server refuses.
    bool open(std::uint16_t port, const std::string& path = "/ws");
    // A masked frame with the FIN bit, as a browser sends it.
    bool sendFrame(std::uint8_t opcode, const std::string& payload);
    bool sendText(const std::string& text) { return sendFrame(0x1, text); }
    bool sendRaw(const std::string& bytes);
    // The next data frame (control frames are skipped); false when the connection closed or timeoutMs
    // passed. opcode 1 is text, 2 binary.
    bool receive(std::uint8_t& opcode, std::string& payload, int timeoutMs = 10000);
    // Reads up to n raw bytes (n > 0), for leaving a frame half read.
    std::size_t readSome(std::size_t n, int timeoutMs = 10000);
    // Whether the server closed the connection within timeoutMs.
    bool closedByServer(int timeoutMs = 5000);
    void close();

private:
    bool readExactly(char* out, std::size_t n, int timeoutMs);
    int fd_ = -1;
    bool closed_ = false;  // a close frame or the end of the stream was read
    std::string pending_;  // bytes read past the handshake
};

// One GET request; the status code (0 when no answer) and the body.
int httpGet(std::uint16_t port, const std::string& target, std::string& body,
            const std::string& method = "GET");

}  // namespace probe
