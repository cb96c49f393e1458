#include "virtualcam/virtual_camera.h"

#include <arpa/inet.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <thread>
#include <vector>
#include <zmq.hpp>

#include "announcer.h"
#include "camera_info.h"
#include "command_service.h"
#include "fault_state.h"
#include "oversize_fault.h"
#include "user_set_file.h"

namespace quorix {
namespace virtualcam {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 50;
constexpr std::int64_t kMaxMessageBytes = 1 << 20;
constexpr int kMaxImageSide = 8192;

struct PendingReply {
    Clock::time_point due;
    std::vector<zmq::message_t> envelope;
    std::string bytes;
};

bool isIpv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

std::string lastNumber(const std::string& address) {
    return address.substr(address.rfind('.') + 1);
}

}  // namespace

struct VirtualCamera::Impl {
    explicit Impl(Options o) : options(std::move(o)), faults(options.faults) {}

    bool start(std::string& error);
    void stop();
    void serve();
    void send(std::vector<zmq::message_t>& envelope, const FramedReply& reply);
    void send(std::vector<zmq::message_t>& envelope, const std::string& bytes);

    Options options;
    FaultState faults;
    std::string identifier;
    std::string stateFile;
    std::uint16_t port = 0;
    std::unique_ptr<CommandService> service;
    std::unique_ptr<zmq::context_t> context;
    std::unique_ptr<zmq::socket_t> socket;
    std::deque<PendingReply> pending;
    std::atomic<bool> stopping{false};
    std::atomic<bool> running{false};
    std::thread thread;
    Announcer announcer;
};

bool VirtualCamera::Impl::start(std::string& error) {
    if (!isIpv4(options.address)) return error = "the address must be a dotted IPv4 address", false;
    for (const ImageSize size : {effectiveColorSize(options), effectiveDepthSize(options)}) {
        if (size.width < 1 || size.height < 1 || size.width > kMaxImageSide || size.height > kMaxImageSide)
            return error = "image sizes must be from 1 to 8192 pixels a side", false;
    }

    ParameterContext parameterContext{effectiveColorSize(options), effectiveDepthSize(options),
                                      traitsOf(options.modelCode).hasFlash};
    UserSetStore store(parameterContext);
    stateFile.clear();
    if (!options.stateDirectory.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.stateDirectory, ec);
        if (ec)
            return error = "cannot create the state folder " + options.stateDirectory + ": " + ec.message(),
                   false;
        stateFile = (std::filesystem::path(options.stateDirectory) / kUserSetFileName).string();
        // A corrupt file stops the start: serving defaults would let the next save overwrite the user's sets.
        if (loadUserSets(stateFile, store, error) == LoadResult::Corrupt) return false;
    }

    try {
        context = std::make_unique<zmq::context_t>(1);
        socket = std::make_unique<zmq::socket_t>(*context, zmq::socket_type::router);
        socket->set(zmq::sockopt::linger, 0);
        socket->set(zmq::sockopt::maxmsgsize, kMaxMessageBytes);
        socket->bind("tcp://" + options.address + ":" +
                     (options.port == 0 ? "*" : std::to_string(options.port)));
        const std::string endpoint = socket->get(zmq::sockopt::last_endpoint);
        port = static_cast<std::uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
    } catch (const zmq::error_t& e) {
        socket.reset();
        context.reset();
        return error = "cannot bind tcp://" + options.address + ":" + std::to_string(options.port) + ": " +
                       e.what(),
               false;
    }
    identifier = options.identifier.empty()
                     ? "QXV-" + lastNumber(options.address) + "-" + std::to_string(port)
                     : options.identifier;
    service =
        std::make_unique<CommandService>(options, identifier, port, std::move(store), stateFile, faults);
    if (!options.sceneDirectory.empty()) {
        if (std::string sceneError = service->loadScene(options.sceneDirectory); !sceneError.empty()) {
            service.reset();
            socket.reset();
            context.reset();
            return error = sceneError, false;
        }
    }

    if (options.announce) {
        auto payload = [this] {
            return compactJson(cameraInfoJson(options, identifier, port, faults.get()));
        };
        if (!announcer.start(options.address, options.announceAddress, options.announcePort,
                             options.announcePeriodMs, payload, error)) {
            socket.reset();
            context.reset();
            return false;
        }
    }
    stopping = false;
    running = true;
    thread = std::thread([this] { serve(); });
    return true;
}

void VirtualCamera::Impl::stop() {
    announcer.stop();
    stopping = true;
    if (thread.joinable()) thread.join();
    pending.clear();
    socket.reset();
    context.reset();
    running = false;
}

void VirtualCamera::Impl::send(std::vector<zmq::message_t>& envelope, const FramedReply& reply) {
    zmq::message_t body(reply.size());
    auto* out = static_cast<char*>(body.data());
    std::memcpy(out, reply.head.data(), reply.head.size());
    if (reply.payload) std::memcpy(out + reply.head.size(), reply.payload->data(), reply.payload->size());
    for (auto& frame : envelope) socket->send(frame, zmq::send_flags::sndmore);
    socket->send(body, zmq::send_flags::none);
}

void VirtualCamera::Impl::send(std::vector<zmq::message_t>& envelope, const std::string& bytes) {
    for (auto& frame : envelope) socket->send(frame, zmq::send_flags::sndmore);
    socket->send(zmq::buffer(bytes), zmq::send_flags::none);
}

void VirtualCamera::Impl::serve() {
    while (!stopping) {
        int timeout = kPollMs;
        if (!pending.empty()) {
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(pending.front().due - Clock::now());
            timeout = static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, kPollMs));
        }
        zmq::pollitem_t items[] = {{socket->handle(), 0, ZMQ_POLLIN, 0}};
        try {
            zmq::poll(items, 1, std::chrono::milliseconds(timeout));
            // Replies whose delay is over, in the order their requests came.
            while (!pending.empty() && pending.front().due <= Clock::now()) {
                send(pending.front().envelope, pending.front().bytes);
                pending.pop_front();
            }
            if (!(items[0].revents & ZMQ_POLLIN)) continue;
            std::vector<zmq::message_t> frames;
            do {
                frames.emplace_back();
                if (!socket->recv(frames.back(), zmq::recv_flags::dontwait)) frames.pop_back();
            } while (!frames.empty() && frames.back().more());
            if (frames.size() < 2) continue;  // a routed message has at least an identity and a body
            zmq::message_t request = std::move(frames.back());
            frames.pop_back();

            const RequestFaults fault = faults.takeForRequest();
            if (fault.silent) continue;
            const FramedReply reply = service->handle(request.to_string_view());
            if (!fault.truncate && !fault.malform && !fault.oversize && fault.delayMs == 0) {
                send(frames, reply);
                continue;
            }
            std::string bytes = reply.joined();
            if (fault.truncate) bytes = truncateReply(bytes);
            if (fault.malform) bytes = malformReply(bytes);
            if (fault.oversize) bytes = oversizeReply(bytes);
            if (fault.delayMs == 0) {
                send(frames, bytes);
            } else {
                pending.push_back({Clock::now() + std::chrono::milliseconds(fault.delayMs), std::move(frames),
                                   std::move(bytes)});
            }
        } catch (const zmq::error_t& e) {
            // A peer that went away mid-reply costs that reply only.
            std::cerr << "virtual camera " << port << ": " << e.what() << "\n";
        }
    }
}

VirtualCamera::VirtualCamera(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

VirtualCamera::~VirtualCamera() {
    stop();
}

bool VirtualCamera::start(std::string* error) {
    if (impl_->running) return true;
    std::string reason;
    if (impl_->start(reason)) return true;
    std::cerr << "virtual camera: cannot start: " << reason << "\n";
    if (error) *error = reason;
    return false;
}

void VirtualCamera::stop() {
    impl_->stop();
}
bool VirtualCamera::running() const {
    return impl_->running;
}
std::uint16_t VirtualCamera::port() const {
    return impl_->port;
}
std::string VirtualCamera::endpoint() const {
    return "tcp://" + impl_->options.address + ":" + std::to_string(impl_->port);
}
std::string VirtualCamera::identifier() const {
    return impl_->identifier;
}
const Options& VirtualCamera::options() const {
    return impl_->options;
}
std::string VirtualCamera::stateFile() const {
    if (impl_->options.stateDirectory.empty()) return {};
    return (std::filesystem::path(impl_->options.stateDirectory) / kUserSetFileName).string();
}

Faults VirtualCamera::faults() const {
    return impl_->faults.get();
}
void VirtualCamera::setFaults(const Faults& faults) {
    impl_->faults.set(faults);
}
void VirtualCamera::setReplyDelay(int ms) {
    impl_->faults.update([&](Faults& f) { f.replyDelayMs = ms; });
}
void VirtualCamera::staySilentFor(int requests) {
    impl_->faults.update([&](Faults& f) { f.silentRequests = requests; });
}
void VirtualCamera::failCommand(const std::string& command, const std::string& message) {
    impl_->faults.update([&](Faults& f) { f.failCommand = command, f.failMessage = message; });
}
void VirtualCamera::clearCommandFailure() {
    impl_->faults.update([](Faults& f) { f.failCommand.clear(); });
}
void VirtualCamera::truncateNextReplies(int count) {
    impl_->faults.update([&](Faults& f) { f.truncatedReplies = count; });
}
void VirtualCamera::malformNextReplies(int count) {
    impl_->faults.update([&](Faults& f) { f.malformedReplies = count; });
}
void VirtualCamera::oversizeNextReplies(int count) {
    impl_->faults.update([&](Faults& f) { f.oversizedReplies = count; });
}
void VirtualCamera::setVelaCalibrationFollowsMode(bool on) {
    impl_->faults.update([&](Faults& f) { f.velaCalibrationFollowsMode = on; });
}
void VirtualCamera::setReportVirtual(bool on) {
    impl_->faults.update([&](Faults& f) { f.reportVirtual = on; });
}
void VirtualCamera::setOldFirmware(bool on) {
    impl_->faults.update([&](Faults& f) { f.oldFirmware = on; });
}

SurfaceProbe VirtualCamera::probeDepthPixel(int col, int row) const {
    return impl_->service ? impl_->service->probeDepthPixel(col, row) : SurfaceProbe{};
}

std::array<double, 4> VirtualCamera::groundPlaneInDepthFrame() const {
    return impl_->service ? impl_->service->groundPlane() : std::array<double, 4>{};
}

int VirtualCamera::framesRendered() const {
    return impl_->service ? impl_->service->renderCount() : 0;
}

}  // namespace virtualcam
}  // namespace quorix
