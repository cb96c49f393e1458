#include "websocket_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace probe {

namespace {

int connectLoopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Waits for bytes; -1 on time-out or error, 0 on end of stream, else the count read.
ssize_t readWithin(int fd, char* out, std::size_t n, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return -1;
    return ::recv(fd, out, n, 0);
}

}  // namespace

WebSocketProbe::~WebSocketProbe() { close(); }

void WebSocketProbe::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool WebSocketProbe::open(std::uint16_t port, const std::string& path) {
    close();
    closed_ = false;
    pending_.clear();
    fd_ = connectLoopback(port);
    if (fd_ < 0) return false;
    const std::string request =
        "GET " + path +
        " HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    if (!writeAll(fd_, request)) return false;
    std::string reply;
    char buffer[4096];
    while (reply.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = readWithin(fd_, buffer, sizeof buffer, 5000);
        if (n <= 0) return false;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    pending_ = reply.substr(reply.find("\r\n\r\n") + 4);
    return reply.compare(0, 12, "HTTP/1.1 101") == 0;
}

bool WebSocketProbe::sendRaw(const std::string& bytes) { return fd_ >= 0 && writeAll(fd_, bytes); }

bool WebSocketProbe::sendFrame(std::uint8_t opcode, const std::string& payload) {
    std::string frame(1, static_cast<char>(0x80 | opcode));
    const std::size_t n = payload.size();
    if (n < 126) {
        frame += static_cast<char>(0x80 | n);
    } else if (n < 65536) {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(n >> 8), frame += static_cast<char>(n & 0xff);
    } else {
        frame += static_cast<char>(0x80 | 127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += static_cast<char>((std::uint64_t(n) >> shift) & 0xff);
    }
    const char mask[4] = {0x12, 0x34, 0x56, 0x78};
    frame.append(mask, 4);
    for (std::size_t i = 0; i < n; ++i) frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    return sendRaw(frame);
}

bool WebSocketProbe::readExactly(char* out, std::size_t n, int timeoutMs) {
    const std::size_t fromPending = std::min(n, pending_.size());
    std::memcpy(out, pending_.data(), fromPending);
    pending_.erase(0, fromPending);
    for (std::size_t done = fromPending; done < n;) {
        const ssize_t got = readWithin(fd_, out + done, n - done, timeoutMs);
        if (got == 0) closed_ = true;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool WebSocketProbe::receive(std::uint8_t& opcode, std::string& payload, int timeoutMs) {
    while (fd_ >= 0) {
        unsigned char head[2];
        if (!readExactly(reinterpret_cast<char*>(head), 2, timeoutMs)) return false;
        std::uint64_t length = head[1] & 0x7f;
        if (length >= 126) {
            unsigned char extended[8];
            const std::size_t bytes = length == 126 ? 2 : 8;
            if (!readExactly(reinterpret_cast<char*>(extended), bytes, timeoutMs)) return false;
            length = 0;
            for (std::size_t i = 0; i < bytes; ++i) length = (length << 8) | extended[i];
        }
        if (length > (std::uint64_t(1) << 30)) return false;
        payload.resize(static_cast<std::size_t>(length));
        if (length && !readExactly(&payload[0], payload.size(), timeoutMs)) return false;
        opcode = head[0] & 0x0f;
        if (opcode == 0x8) {
            closed_ = true;
            return false;
        }
        if (opcode < 0x8) return true;
    }
    return false;
}

std::size_t WebSocketProbe::readSome(std::size_t n, int timeoutMs) {
    std::string bytes(n, '\0');
    if (!pending_.empty()) {
        const std::size_t k = std::min(n, pending_.size());
        pending_.erase(0, k);
        return k;
    }
    const ssize_t got = readWithin(fd_, &bytes[0], n, timeoutMs);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool WebSocketProbe::closedByServer(int timeoutMs) {
    std::uint8_t opcode;
    std::string payload;
    while (receive(opcode, payload, timeoutMs)) {
    }
    return closed_;
}

int httpGet(std::uint16_t port, const std::string& target, std::string& body, const std::string& method) {
    const int fd = connectLoopback(port);
    if (fd < 0) return 0;
    writeAll(fd, method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    std::string reply;
    char buffer[65536];
    for (;;) {
        const ssize_t n = readWithin(fd, buffer, sizeof buffer, 20000);
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
        // The server may keep the connection open: stop once the announced body is in.
        const std::size_t end = reply.find("\r\n\r\n");
        const std::size_t lengthAt = reply.find("Content-Length: ");
        if (end != std::string::npos && lengthAt != std::string::npos && lengthAt < end &&
            reply.size() >= end + 4 + std::stoul(reply.substr(lengthAt + 16)))
            break;
    }
    ::close(fd);
    const std::size_t end = reply.find("\r\n\r\n");
    if (reply.compare(0, 9, "HTTP/1.1 ") != 0 || end == std::string::npos) return 0;
    body = reply.substr(end + 4);
    return std::stoi(reply.substr(9, 3));
}

}  // namespace probe
