#include "quorixexport/calibration_file.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "json_text.h"
#include "temporary_file.h"

namespace norvik {
namespace files {

namespace {

const char* const kIntrinsicNames[4] = {"fx", "fy", "cx", "cy"};

// A calibration document is three levels deep (four with the "calibration" member that holds it).
constexpr int kCalibrationNesting = 16;
constexpr std::size_t kMaxCalibrationBytes = std::size_t(1) << 20;

Json::Value cameraToValue(const api::CameraIntrinsics& camera) {
    Json::Value value(Json::objectValue);
    for (int i = 0; i < 4; ++i) value[kIntrinsicNames[i]] = camera.intrinsic[i];
    Json::Value distortion(Json::arrayValue);
    for (double k : camera.distCoefficients) distortion.append(k);
    value["distortion"] = distortion;
    return value;
}

// Reads count numbers from an array member; false (with the reason) when it is not exactly that.
bool readNumbers(const Json::Value& array, const std::string& name, double* out, Json::ArrayIndex count,
                 std::string& error) {
    if (!array.isArray() || array.size() != count) {
        error = "\"" + name + "\" must be an array of " + std::to_string(count) + " numbers";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < count; ++i) {
        if (!array[i].isNumeric()) {
            error = "\"" + name + "\" holds something that is not a number";
            return false;
        }
        out[i] = array[i].asDouble();
    }
    return true;
}

bool cameraFromValue(const Json::Value& value, const std::string& name, api::CameraIntrinsics& camera,
                     std::string& error) {
    if (!value.isObject()) {
        error = "\"" + name + "\" must be an object";
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        const Json::Value* member = value.find(kIntrinsicNames[i], kIntrinsicNames[i] + 2);
        if (member == nullptr || !member->isNumeric()) {
            error = "\"" + name + "." + kIntrinsicNames[i] + "\" must be a number";
            return false;
        }
        camera.intrinsic[i] = member->asDouble();
    }
    return readNumbers(value.get("distortion", Json::Value()), name + ".distortion", camera.distCoefficients,
                       5, error);
}

}  // namespace

Json::Value calibrationToValue(const api::DeviceIntri& intri) {
    Json::Value value(Json::objectValue);
    value["camera2D"] = cameraToValue(intri.intrinsic2DCamera);
    value["camera3D"] = cameraToValue(intri.intrinsic3DCamera);
    Json::Value rotation(Json::arrayValue);
    for (const auto& row : intri.rotation) {
        Json::Value r(Json::arrayValue);
        for (double v : row) r.append(v);
        rotation.append(r);
    }
    value["rotation"] = rotation;
    Json::Value translation(Json::arrayValue);
    for (double v : intri.translation) translation.append(v);
    value["translation"] = translation;
    return value;
}

FileResult calibrationFromValue(const Json::Value& document, api::DeviceIntri& intri) {
    const Json::Value* root = &document;
    if (document.isObject() && document.isMember("calibration")) root = &document["calibration"];
    if (!root->isObject()) return FileResult{"the calibration must be a JSON object"};
    api::DeviceIntri read;
    std::string error;
    const Json::Value& rotation = root->get("rotation", Json::Value());
    bool ok =
        cameraFromValue(root->get("camera2D", Json::Value()), "camera2D", read.intrinsic2DCamera, error) &&
        cameraFromValue(root->get("camera3D", Json::Value()), "camera3D", read.intrinsic3DCamera, error) &&
        readNumbers(root->get("translation", Json::Value()), "translation", read.translation, 3, error);
    if (ok && (!rotation.isArray() || rotation.size() != 3)) {
        error = "\"rotation\" must be an array of 3 rows";
        ok = false;
    }
    for (Json::ArrayIndex i = 0; ok && i < 3; ++i)
        ok = readNumbers(rotation[i], "rotation[" + std::to_string(i) + "]", read.rotation[i], 3, error);
    if (!ok) return FileResult{error};
    intri = read;
    return {};
}

bool calibrationIsFinite(const api::DeviceIntri& intri) {
    bool finite = true;
    for (const api::CameraIntrinsics* camera : {&intri.intrinsic2DCamera, &intri.intrinsic3DCamera}) {
        for (double v : camera->intrinsic) finite = finite && std::isfinite(v);
        for (double v : camera->distCoefficients) finite = finite && std::isfinite(v);
    }
    for (const auto& row : intri.rotation)
        for (double v : row) finite = finite && std::isfinite(v);
    for (double v : intri.translation) finite = finite && std::isfinite(v);
    return finite;
}

FileResult writeCalibration(const std::string& path, const api::DeviceIntri& intri) {
    // JSON has no infinities or NaN: the writer would put out text that no reader takes back.
    if (!calibrationIsFinite(intri))
        return FileResult::failure(path,
                                   "not written: the calibration holds a value that is not a finite number");
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    return writeTextFile(path, Json::writeString(builder, calibrationToValue(intri)) + "\n");
}

FileResult parseCalibration(const std::string& text, api::DeviceIntri& intri) {
    Json::Value document;
    std::string error;
    if (!parseJsonText(text, kCalibrationNesting, document, error)) return FileResult{error};
    return calibrationFromValue(document, intri);
}

FileResult readCalibration(const std::string& path, api::DeviceIntri& intri) {
    std::string text;
    if (!readTextFile(path, text)) return FileResult::failure(path, "cannot be read");
    if (text.size() > kMaxCalibrationBytes)
        return FileResult::failure(path, "too large for a calibration file");
    FileResult result = parseCalibration(text, intri);
    if (!result.ok()) return FileResult::failure(path, result.error);
    return result;
}

bool readTextFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return false;
    text = content.str();
    return true;
}

FileResult writeTextFile(const std::string& path, const std::string& text) {
    TemporaryFile file(path);
    if (!file.ok()) return file.creationFailure();
    file.write(text.data(), text.size());
    return file.commit();
}

}  // namespace files
}  // namespace norvik
