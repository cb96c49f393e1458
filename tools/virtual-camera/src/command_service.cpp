#include "command_service.h"

#include <sstream>

#include "camera_info.h"
#include "json_input.h"
#include "scene.h"
#include "transport/framing.h"
#include "transport/protocol_names.h"
#include "user_set_file.h"

namespace quorix {
namespace virtualcam {

namespace proto = norvik::protocol;
namespace cmd = norvik::protocol::command;
namespace member = norvik::protocol::member;

namespace {

constexpr std::size_t kMaxRequestBytes = 64 * 1024;
constexpr std::int32_t kDepthPixelType = 2;  // one unsigned 16-bit channel

bool parseRequest(std::string_view text, Json::Value& request, std::string& error) {
    std::string errors;
    if (!parseJsonInput(text, JsonDialect::Strict, request, errors) || !request.isObject()) {
        error = "Malformed request: expected one JSON object.";
        return false;
    }
    return true;
}

// A string member of the request, or an error text naming it.
bool stringMember(const Json::Value& request, const char* name, std::string& out, std::string& error) {
    const Json::Value& value = request[name];
    if (!value.isString()) {
        error = std::string("Missing or invalid \"") + name + "\": expected a text.";
        return false;
    }
    out = value.asString();
    return true;
}

}  // namespace

FramedReply jsonReply(const Json::Value& body) {
    return {proto::frameReply(compactJson(body)), nullptr};
}

FramedReply errorReply(const std::string& message) {
    Json::Value body(Json::objectValue);
    body[member::ErrMsg] = message;
    return jsonReply(body);
}

CommandService::CommandService(const Options& options, std::string identifier, std::uint16_t port,
                               UserSetStore store, std::string stateFile, FaultState& faults)
    : options_(options),
      identifier_(std::move(identifier)),
      port_(port),
      traits_(traitsOf(options.modelCode)),
      colorSize_(effectiveColorSize(options)),
      depthSize_(effectiveDepthSize(options)),
      store_(std::move(store)),
      stateFile_(std::move(stateFile)),
      faults_(faults) {}

FramedReply CommandService::handle(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (text.size() > kMaxRequestBytes) return errorReply("Malformed request: longer than 65536 bytes.");
    Json::Value request;
    std::string error;
    if (!parseRequest(text, request, error)) return errorReply(error);
    std::string command;
    if (!stringMember(request, member::Cmd, command, error)) return errorReply(error);
    if (auto failure = faults_.failureFor(command)) return errorReply(*failure);
    return dispatch(command, request);
}

std::string CommandService::loadScene(const std::string& folder) {
    auto scene = std::make_unique<RecordedScene>();
    std::string error;
    if (!scene->load(folder, error)) return error;
    std::lock_guard<std::mutex> lock(mutex_);
    colorSize_ = {scene->rig().color.width, scene->rig().color.height};
    depthSize_ = {scene->rig().depth.width, scene->rig().depth.height};
    scene_ = std::move(scene);
    return {};
}

Rig CommandService::currentRig() const {
    if (scene_) return scene_->rig();
    const bool highResolution = traits_.isVela && faults_.get().velaCalibrationFollowsMode &&
                                store_.parameters()[proto::parameter::VelaCaptureMode].asInt() == 1;
    return makeRig(colorSize_, depthSize_, highResolution);
}

Json::Value CommandService::configGroups() const {
    Json::Value body(Json::objectValue);
    Json::Value& names = body[member::AvailableConfigNames] = Json::Value(Json::arrayValue);
    for (const auto& name : store_.names()) names.append(name);
    body[member::CurrentConfig] = store_.current();
    return body;
}

std::string CommandService::persist() {
    if (stateFile_.empty()) return {};  // without a state folder the sets last as long as the camera
    std::string error;
    if (!saveUserSets(stateFile_, store_, error)) return "Cannot store the user sets: " + error;
    return {};
}

FramedReply CommandService::dispatch(const std::string& command, const Json::Value& request) {
    Json::Value body(Json::objectValue);
    std::string error;
    if (command == cmd::GetCameraInfo) {
        body[member::CameraInfo] = cameraInfoJson(options_, identifier_, port_, faults_.get());
    } else if (command == cmd::GetGroupIntri) {
        body[member::CameraIntri] = calibrationJson(currentRig());
    } else if (command == cmd::GetImageFormat) {
        Json::Value& format = body[member::ImageFormat];
        const std::pair<const char*, ImageSize> sizes[] = {{member::ImageSize2D, colorSize_},
                                                           {member::ImageSize3D, depthSize_}};
        for (const auto& [name, size] : sizes) {
            Json::Value& pair = format[name] = Json::Value(Json::arrayValue);
            pair.append(size.width);
            pair.append(size.height);
        }
    } else if (command == cmd::GetCameraParams) {
        std::string name;
        if (!stringMember(request, member::PropertyName, name, error)) return errorReply(error);
        const ParameterRow* row = findParameter(name);
        if (row == nullptr) return errorReply("Unknown parameter \"" + name + "\".");
        body[member::PropertyValue] = store_.parameters()[row->name];
    } else if (command == cmd::SetCameraParams) {
        std::string name;
        if (!stringMember(request, member::PropertyName, name, error)) return errorReply(error);
        if (!request.isMember(member::PropertyValue)) return errorReply("Missing \"property_value\".");
        error = store_.set(name, request[member::PropertyValue]);
    } else if (command == cmd::GetConfigGroup) {
        body = configGroups();
    } else if (command == cmd::SetConfigGroup || command == cmd::AddConfigGroup ||
               command == cmd::DeleteConfigGroup) {
        std::string name;
        if (!stringMember(request, member::ConfigName, name, error)) return errorReply(error);
        error = command == cmd::SetConfigGroup   ? store_.select(name)
                : command == cmd::AddConfigGroup ? store_.add(name)
                                                 : store_.remove(name);
    } else if (command == cmd::SetCameraConfig) {
        const Json::Value& persistent = request[member::Persistent];
        if (!persistent.isNull() && !persistent.isBool())
            return errorReply("\"persistent\" must be true or false.");
        const Json::Value& config = request[member::CameraConfig];
        if (!config.isNull()) error = store_.setMany(config);
        if (error.empty() && persistent.asBool()) error = persist();
    } else if (command == cmd::CaptureImage) {
        return capture(request);
    } else {
        return errorReply("Unknown command \"" + command + "\".");
    }
    if (!error.empty()) return errorReply(error);
    return jsonReply(body);
}

FramedReply CommandService::capture(const Json::Value& request) {
    const Json::Value& type = request[member::ImageType];
    if ((type.type() != Json::intValue && type.type() != Json::uintValue) || !type.isInt())
        return errorReply("Missing or invalid \"image_type\": expected an integer.");
    const Rig rig = currentRig();
    std::int32_t rows = 0, cols = 0, pixelType = 0;
    double scale = 1.0;
    const std::string* payload = nullptr;
    if (type.asInt() == static_cast<int>(proto::ImageType::Depth)) {
        payload = scene_ ? &scene_->nextDepth() : &renderer_.depth(rig, store_.parameters());
        rows = rig.depth.height, cols = rig.depth.width, pixelType = kDepthPixelType, scale = kDepthScale;
    } else if (type.asInt() == static_cast<int>(proto::ImageType::Color)) {
        payload = scene_ ? &scene_->nextColor(traits_.grayColor)
                         : &renderer_.color(rig, store_.parameters(), traits_.grayColor);
        rows = rig.color.height, cols = rig.color.width;
        pixelType = traits_.grayColor ? proto::kPixelTypeGray : proto::kPixelTypeBgr;
    } else {
        return errorReply("Unsupported image type " + std::to_string(type.asInt()) + ".");
    }
    FramedReply reply = jsonReply(Json::Value(Json::objectValue));
    proto::appendDoubleBE(reply.head, scale);
    proto::appendInt32BE(reply.head, rows);
    proto::appendInt32BE(reply.head, cols);
    proto::appendInt32BE(reply.head, pixelType);
    proto::appendInt32BE(reply.head, static_cast<std::int32_t>(payload->size()));
    reply.payload = payload;
    return reply;
}

SurfaceProbe CommandService::probeDepthPixel(int col, int row) {
    std::lock_guard<std::mutex> lock(mutex_);
    const View view = depthView(currentRig());
    const Hit hit = castRay(view, rayDirection(view, col, row), nullptr);
    SurfaceProbe probe;
    probe.name = surfaceName(hit.object);
    if (hit.object >= 0) {
        const auto albedo = albedoAt(hit);
        const bool ground = hit.object == 0;
        for (int c = 0; c < 3; ++c)
            probe.bgr[c] = static_cast<std::uint8_t>(255.0f * (ground ? 0.45f : albedo[c]) + 0.5f);
        probe.depthMm = hit.t;
    }
    return probe;
}

int CommandService::renderCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return renderer_.renderCount();
}

std::array<double, 4> CommandService::groundPlane() {
    std::lock_guard<std::mutex> lock(mutex_);
    return groundInDepthFrame(currentRig());
}

}  // namespace virtualcam
}  // namespace quorix
