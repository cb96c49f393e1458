#pragma once

// A minimal camera for the capture benchmarks: a ZeroMQ REP socket on 127.0.0.1 answering identity,
// calibration, image sizes and captures from prebuilt replies, sent without copying.

#include <atomic>
#include <string>
#include <thread>
#include <zmq.hpp>

namespace bench {

class BenchCamera {
public:
    BenchCamera(int cols, int rows);
    ~BenchCamera();

    int port() const { return port_; }
    const std::string& depthReply() const { return depthReply_; }
    // Offset of the depth samples in depthReply().
    std::size_t depthPayloadOffset() const { return depthOffset_; }

private:
    void serve();

    zmq::context_t context_;
    zmq::socket_t socket_;
    int port_ = 0;
    std::string infoReply_, intriReply_, formatReply_, depthReply_, colorReply_;
    std::size_t depthOffset_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace bench
