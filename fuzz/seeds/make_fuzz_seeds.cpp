// Writes the fuzzers' seed corpora from real replies of an in-process virtual camera at a small image size:
//   quorix_fuzz_seeds <fuzz/corpus folder>
// Each seed is named after what it holds; running again rewrites the same files.
#include <json/json.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <zmq.hpp>

#include "device/intrinsics.h"
#include "transport/framing.h"
#include "transport/json_codec.h"
#include "transport/protocol_names.h"
#include "virtualcam/virtual_camera.h"

namespace {

namespace fs = std::filesystem;
namespace command = norvik::protocol::command;
namespace member = norvik::protocol::member;
namespace param = norvik::protocol::parameter;

class Session {
public:
    explicit Session(const quorix::virtualcam::VirtualCamera& camera)
        : socket_(context_, zmq::socket_type::req) {
        socket_.set(zmq::sockopt::rcvtimeo, 5000);
        socket_.set(zmq::sockopt::linger, 0);
        socket_.connect(camera.endpoint());
    }
    std::string send(const Json::Value& request) {
        const std::string text = norvik::transport::writeRequest(request);
        socket_.send(zmq::buffer(text), zmq::send_flags::none);
        zmq::message_t reply;
        if (!socket_.recv(reply)) throw std::runtime_error("no reply to " + text);
        return reply.to_string();
    }
    std::string command(const char* name) {
        Json::Value request;
        request[member::Cmd] = name;
        return send(request);
    }
    std::string capture(norvik::protocol::ImageType type) {
        Json::Value request;
        request[member::Cmd] = command::CaptureImage;
        request[member::ImageType] = static_cast<std::int32_t>(type);
        return send(request);
    }
    std::string getParameter(const char* name) {
        Json::Value request;
        request[member::Cmd] = command::GetCameraParams;
        request[member::PropertyName] = name;
        return send(request);
    }
    std::string setParameter(const char* name, Json::Value value) {
        Json::Value request;
        request[member::Cmd] = command::SetCameraParams;
        request[member::PropertyName] = name;
        request[member::PropertyValue] = std::move(value);
        return send(request);
    }

private:
    zmq::context_t context_;
    zmq::socket_t socket_;
};

fs::path root;

void write(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path folder = root / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string jsonText(const std::string& reply) { return reply.substr(norvik::protocol::kLengthPrefixBytes); }

// The point-cloud fuzzer's input: the calibration as raw doubles, the colour reply's length, both replies.
std::string cloudInput(const std::string& intriReply, const std::string& color, const std::string& depth) {
    Json::Value json;
    std::string error;
    norvik::transport::parseJson(jsonText(intriReply), json, error);
    norvik::api::DeviceIntri intri;
    norvik::device::parseDeviceIntri(json, intri);
    std::string out;
    auto append = [&out](const double& v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); };
    for (const norvik::api::CameraIntrinsics* camera : {&intri.intrinsic2DCamera, &intri.intrinsic3DCamera}) {
        for (const double& v : camera->distCoefficients) append(v);
        for (const double& v : camera->intrinsic) append(v);
    }
    for (const auto& row : intri.rotation)
        for (const double& v : row) append(v);
    for (const double& v : intri.translation) append(v);
    norvik::protocol::appendInt32BE(out, static_cast<std::int32_t>(color.size()));
    return out + color + depth;
}

void seedModel(int modelCode, const std::string& tag) {
    quorix::virtualcam::Options options;
    options.modelCode = modelCode;
    options.colorSize = {16, 12};
    options.depthSize = {16, 12};
    quorix::virtualcam::VirtualCamera camera(options);
    if (std::string reason; !camera.start(&reason)) throw std::runtime_error(reason);
    Session session(camera);
    using norvik::protocol::ImageType;

    const std::string identity = jsonText(session.command(command::GetCameraInfo));
    write("device_replies", tag + "_identity.json", identity);
    // A camera announces the same identity object.
    Json::Value identityJson;
    std::string error;
    norvik::transport::parseJson(identity, identityJson, error);
    write("discovery_payloads", tag + "_announcement.json",
          norvik::transport::writeRequest(identityJson[member::CameraInfo]));
    const std::string intri = session.command(command::GetGroupIntri);
    write("device_replies", tag + "_calibration.json", jsonText(intri));
    write("device_replies", tag + "_image_format.json", jsonText(session.command(command::GetImageFormat)));

    const std::string color = session.capture(ImageType::Color);
    const std::string depth = session.capture(ImageType::Depth);
    write("capture_reply", tag + "_color.bin", color);
    write("capture_reply", tag + "_depth.bin", depth);
    write("point_cloud", tag + "_cloud.bin", cloudInput(intri, color, depth));

    camera.truncateNextReplies(1);
    write("capture_reply", tag + "_depth_truncated.bin", session.capture(ImageType::Depth));
    camera.malformNextReplies(1);
    write("capture_reply", tag + "_color_malformed.bin", session.capture(ImageType::Color));
    camera.failCommand(command::CaptureImage);
    write("capture_reply", tag + "_err_msg.bin", session.capture(ImageType::Depth));
    camera.clearCommandFailure();

    for (const char* name : {param::Scan2DExposureMode, param::Scan2DExposureTime,
                             param::Scan2DToneMappingEnable, param::Scan3DROI, param::DepthLowerLimit})
        write("setting_replies", tag + "_get_" + name + ".bin", session.getParameter(name));
    write("setting_replies", tag + "_refused_value.bin", session.setParameter(param::Scan3DGain, "loud"));
    write("setting_replies", tag + "_set_ok.bin", session.setParameter(param::Scan3DGain, 2.5));
    write("setting_replies", tag + "_user_sets.bin", session.command(command::GetConfigGroup));

    session.setParameter(param::Scan2DHDRExposureSequence, "5ms,20.5ms,999ms");
    Json::Value hdr;
    norvik::transport::parseJson(jsonText(session.getParameter(param::Scan2DHDRExposureSequence)), hdr,
                                 error);
    write("hdr_sequence", tag + "_sequence.txt", hdr[member::PropertyValue].asString());
    camera.stop();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quorix_fuzz_seeds <corpus folder>\n";
        return 2;
    }
    root = argv[1];
    try {
        seedModel(13, "vcam13");  // colour imager
        seedModel(9, "vcam9");    // monochrome 2D imager: gray captures
    } catch (const std::exception& e) {
        std::cerr << "quorix_fuzz_seeds: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
