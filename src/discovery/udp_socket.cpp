#include "discovery/udp_socket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace norvik {
namespace discovery {

namespace {

// The count and the library start-up change together, so one lock covers both: enumerations may run on
// several threads at once.
std::mutex usersMutex;
std::int32_t users = 0;

// POSIX sockets need no start-up or clean-up; the hooks keep the open/close rules in one place.
int startSocketLibrary() {
    return 0;
}
void cleanUpSocketLibrary() {}

}  // namespace

UdpSocket::UdpSocket(int type) {
    std::lock_guard<std::mutex> lock(usersMutex);
    if (users == 0) {
        if (int code = startSocketLibrary(); code != 0) {
            throw std::runtime_error("Error initializing Winsock " + std::to_string(code));
        }
    }
    handle_ = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (handle_ == kInvalidSocket) {
        if (users == 0) cleanUpSocketLibrary();
        throw std::runtime_error("Could not create socket");
    }
    local_.sin_family = AF_INET;
    ++users;
}

UdpSocket::~UdpSocket() {
    close();
}

void UdpSocket::close() {
    std::lock_guard<std::mutex> lock(usersMutex);
    if (handle_ == kInvalidSocket) return;
    ::close(handle_);
    handle_ = kInvalidSocket;
    if (--users == 0) cleanUpSocketLibrary();
}

std::int32_t UdpSocket::socketUsers() {
    std::lock_guard<std::mutex> lock(usersMutex);
    return users;
}

}  // namespace discovery
}  // namespace norvik
