// The settings checked row by row from the catalogue itself: every row's range edges, its model gate and its
// round trip through a camera, by name and through the typed operations behind it.

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "camera_store.h"
#include "device/model_catalogue.h"
#include "support/virtual_camera_device.h"

namespace {

using namespace norvik::api;
using settings_test::CameraStore;

const char kGuard[] = "Invalid device. Please use connect() to connect to a Quorix device.";
// The catalogue, the unknown model and a code that is not in the catalogue.
const int kAllCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 100, 104, 105, 107, 255, 42};

// A model that has the setting (any model when every model has it).
int modelWith(const SettingDescription& s) {
    for (int code : kAllCodes)
        if (s.availableOn(norvik::device::modelName(code))) return code;
    ADD_FAILURE() << s.name << " is on no model";
    return 13;
}

// The smallest value the whole setting accepts.
std::vector<double> smallestValue(const SettingDescription& s) {
    switch (s.kind) {
        case SettingKind::Boolean:
            return {1};
        case SettingKind::Enumeration:
            return {double(s.enumerators.front().value)};
        case SettingKind::RealList:
            return std::vector<double>(s.minimumCount, s.minimum);
        case SettingKind::Record: {
            std::vector<double> v;
            for (const auto& f : s.fields) v.push_back(f.minimum);
            for (const auto& span : s.spans) {
                std::size_t lower = 0, upper = 0;
                for (std::size_t i = 0; i < s.fields.size(); ++i) {
                    if (s.fields[i].name == span.lowerField) lower = i;
                    if (s.fields[i].name == span.upperField) upper = i;
                }
                v[upper] = v[lower] + span.minimum;
            }
            return v;
        }
        default:
            return {s.minimum};
    }
}

std::string rangeMessage(const SettingDescription& s) {
    std::ostringstream text;
    text << "The valid " << s.parameters.front() << " parameter range is from ";
    if (s.kind == SettingKind::Real) text << std::fixed << std::setprecision(6);
    text << s.minimum << " to " << s.maximum << ".Please check the input value.";
    return text.str();
}

std::size_t fieldIndex(const SettingDescription& s, const std::string& name) {
    for (std::size_t i = 0; i < s.fields.size(); ++i)
        if (s.fields[i].name == name) return i;
    ADD_FAILURE() << name;
    return 0;
}

// A value of the setting with the number at position at set to x; the other numbers are the smallest the
// setting accepts, moved where a rule between fields asks for it.
std::vector<double> with(const SettingDescription& s, std::size_t at, double x, bool keepRules = true) {
    std::vector<double> v = smallestValue(s);
    if (s.kind == SettingKind::RealList) v.assign(s.maximumCount, s.minimum);
    v.at(at) = x;
    for (const auto& span : keepRules ? s.spans : std::vector<SettingFieldSpan>{}) {
        const std::size_t lower = fieldIndex(s, span.lowerField), upper = fieldIndex(s, span.upperField);
        if (at == lower) v[upper] = x + span.minimum;
        // The lower field stays at its minimum while the rule allows it.
        if (at == upper && !(x - v[lower] >= span.minimum && x - v[lower] <= span.maximum))
            v[lower] = x - span.minimum;
    }
    return v;
}

// The edges of the number at position at that a whole value can reach, given the rules between fields.
std::pair<double, double> reachable(const SettingDescription& s, std::size_t at, double low, double high) {
    for (const auto& span : s.spans) {
        const std::size_t lower = fieldIndex(s, span.lowerField), upper = fieldIndex(s, span.upperField);
        if (at == lower) high = std::min(high, s.fields[upper].maximum - span.minimum);
        if (at == upper) low = std::max(low, s.fields[lower].minimum + span.minimum);
    }
    return {low, high};
}

TEST(Catalogue, DescribesEverySettingOnce) {
    const auto& all = QuorixDevice::settingCatalogue();
    std::set<std::string> names;
    for (const auto& s : all) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE(names.insert(s.name).second);
        EXPECT_FALSE(s.parameters.empty());
        EXPECT_FALSE(s.description.empty());
        EXPECT_LE(s.minimum, s.maximum);
        EXPECT_EQ(s.kind == SettingKind::Enumeration, !s.enumerators.empty());
        EXPECT_EQ(s.kind == SettingKind::Record, !s.fields.empty());
    }
    EXPECT_EQ(all.size(), 21u);
    // The model's subset keeps the catalogue's order.
    const auto vela = QuorixDevice::settingCatalogue("Quorix VELA 120");
    EXPECT_EQ(vela.back().name, "VelaFringeCodingMode");
    EXPECT_EQ(vela.size(), all.size() - 4);  // neither the three projector settings nor the laser
}

TEST(Catalogue, RangeEdgesOfEveryRowAndField) {
    std::map<int, std::unique_ptr<CameraStore>> cameras;
    for (const auto& s : QuorixDevice::settingCatalogue()) {
        SCOPED_TRACE(s.name);
        const int code = modelWith(s);
        auto& store = cameras[code];
        if (!store) store = std::make_unique<CameraStore>(code);
        QuorixDevice device;
        store->connect(device);
        // (position, lowest, highest) of every bounded number; regions are bounded by the image instead.
        std::vector<std::tuple<std::size_t, double, double, std::string>> edges;
        if (s.kind == SettingKind::Integer || s.kind == SettingKind::Real)
            edges.emplace_back(0, s.minimum, s.maximum, rangeMessage(s));
        if (s.kind == SettingKind::RealList)
            for (std::size_t i = 0; i < s.maximumCount; ++i) edges.emplace_back(i, s.minimum, s.maximum, "");
        for (std::size_t i = 0; s.fitsIn == SettingImage::None && i < s.fields.size(); ++i)
            if (s.fields[i].kind == SettingKind::Integer)
                edges.emplace_back(i, s.fields[i].minimum, s.fields[i].maximum, s.fields[i].name);
        for (const auto& [at, low, high, message] : edges) {
            SCOPED_TRACE(at);
            const double step = s.kind == SettingKind::Real || s.kind == SettingKind::RealList ? 0 : 1;
            const double below = step ? low - step : std::nextafter(low, -INFINITY);
            const double above = step ? high + step : std::nextafter(high, INFINITY);
            for (double refused : {below, above}) {
                const ErrorStatus checked = device.checkSetting(s.name, with(s, at, refused, false));
                const ErrorStatus set = device.setSetting(s.name, with(s, at, refused, false));
                EXPECT_EQ(checked.code, WriteError) << refused;
                EXPECT_EQ(set.message, checked.message);
                if (s.kind == SettingKind::Integer || s.kind == SettingKind::Real) {
                    EXPECT_EQ(set.message, message);
                } else if (s.kind == SettingKind::Record) {
                    EXPECT_NE(set.message.find(message), std::string::npos) << set.message;
                }
            }
            EXPECT_TRUE(store->camera.requests().empty());
            // Both edges are accepted; the other numbers of the record keep it whole.
            const auto [lowest, highest] = reachable(s, at, low, high);
            for (double accepted : {lowest, highest}) {
                const std::vector<double> v = with(s, at, accepted);
                EXPECT_TRUE(device.checkSetting(s.name, v).isOk()) << accepted;
                EXPECT_TRUE(store->camera.requests().empty());
                EXPECT_TRUE(device.setSetting(s.name, v).isOk()) << accepted;
                EXPECT_FALSE(store->sets().empty());
                store->camera.clearRequests();
            }
        }
        // A refusal comes before the connection guard; an accepted value meets the guard.
        device.disconnect();
        EXPECT_EQ(device.setSetting(s.name, smallestValue(s)).message, kGuard);
        if (!edges.empty() && s.kind != SettingKind::RealList) {
            QuorixDevice never;
            const auto& [at, low, high, message] = edges.front();
            const ErrorStatus refused = never.setSetting(s.name, with(s, at, high + 1, false));
            EXPECT_EQ(refused.code, WriteError);
            if (s.kind == SettingKind::Integer || s.kind == SettingKind::Real) {
                EXPECT_EQ(refused.message, message);
            }
        }
    }
}

// A value inside the setting's range other than its smallest: the last enumerator every model takes, the
// middle of a range.
double sample(const SettingDescription& s) {
    if (s.kind == SettingKind::Boolean) return 1;
    if (s.kind == SettingKind::Enumeration) {
        for (auto e = s.enumerators.rbegin(); e != s.enumerators.rend(); ++e)
            if (e->refusedByModels.empty()) return e->value;
    }
    const double middle = (s.minimum + s.maximum) / 2;
    return s.kind == SettingKind::Integer ? std::floor(middle) : middle;
}

TEST(Catalogue, WireFormAndReadFailureOfEverySingleParameterRow) {
    std::map<int, std::unique_ptr<CameraStore>> cameras;
    for (const auto& s : QuorixDevice::settingCatalogue()) {
        if (s.kind == SettingKind::RealList || s.kind == SettingKind::Record) continue;
        SCOPED_TRACE(s.name);
        const int code = modelWith(s);
        auto& store = cameras[code];
        if (!store) store = std::make_unique<CameraStore>(code);
        QuorixDevice device;
        store->connect(device);
        const std::string& key = s.parameters.front();
        ASSERT_TRUE(device.setSetting(s.name, {sample(s)}).isOk());
        EXPECT_EQ(store->sets(), std::vector<std::string>{key});
        const Json::Value sent = store->stored(key);
        EXPECT_EQ(sent.type(), s.kind == SettingKind::Real      ? Json::realValue
                               : s.kind == SettingKind::Boolean ? Json::booleanValue
                                                                : Json::intValue);
        std::vector<double> read;
        ASSERT_TRUE(device.getSetting(s.name, read).isOk());
        EXPECT_EQ(read, std::vector<double>{sample(s)});
        store->failGet(key, "busy");
        const ErrorStatus failed = device.getSetting(s.name, read);
        EXPECT_EQ(failed.code, ReadError);
        EXPECT_EQ(failed.message, "busy");
        const bool keeps = s.onReadFailure == "the output as it was";
        EXPECT_EQ(read, std::vector<double>{keeps ? sample(s) : 0});
    }
}

// Whether the model refuses this one value of the setting although it has the setting (Flash).
bool refusesValue(const SettingDescription& s, double value, const std::string& model) {
    for (const auto& e : s.enumerators)
        if (e.value == value)
            return std::find(e.refusedByModels.begin(), e.refusedByModels.end(), model) !=
                   e.refusedByModels.end();
    return false;
}

// Every value of a refused setting, and every refused value, is refused before anything is sent: a getter
// with UnsupportedModel and its output untouched, a setter with WriteError and the same message.
void expectGate(const QuorixDevice& device, CameraStore& store, const SettingDescription& s,
                const std::string& model, bool connected) {
    std::vector<std::vector<double>> values{smallestValue(s)};
    for (const auto& e : s.enumerators) values.push_back({double(e.value)});
    for (const auto& value : values) {
        SCOPED_TRACE(value.front());
        store.camera.clearRequests();
        std::vector<double> out{7};
        const ErrorStatus read = device.getSetting(s.name, out);
        if (s.availableOn(model)) store.camera.clearRequests();  // the read itself may go on
        const ErrorStatus written = device.setSetting(s.name, value);
        if (!s.availableOn(model)) {
            EXPECT_EQ(read.code, UnsupportedModel);
            EXPECT_EQ(out, std::vector<double>{7});
            EXPECT_EQ(written.code, WriteError);
            EXPECT_EQ(written.message, read.message);
        } else if (refusesValue(s, value.front(), model)) {
            EXPECT_EQ(written.code, WriteError);
            EXPECT_EQ(device.checkSetting(s.name, value).message, written.message);
        } else if (connected) {
            EXPECT_NE(read.code, UnsupportedModel);
            EXPECT_TRUE(written.isOk()) << written.message;
            continue;
        } else {
            EXPECT_EQ(written.message, kGuard);
        }
        EXPECT_TRUE(store.camera.requests().empty());
    }
}

TEST(Catalogue, ModelGateOfEveryRow) {
    CameraStore store;
    for (int code : kAllCodes) {
        store.camera.serveIdentity(code);
        QuorixDevice device;
        store.connect(device);
        const std::string model = norvik::device::modelName(code);
        std::vector<SettingDescription> subset;
        ASSERT_TRUE(device.getSettingCatalogue(subset).isOk());
        std::size_t available = 0;
        for (const auto& s : QuorixDevice::settingCatalogue()) {
            SCOPED_TRACE(s.name + " on " + model);
            available += s.availableOn(model) ? 1 : 0;
            expectGate(device, store, s, model, true);
        }
        EXPECT_EQ(subset.size(), available);
        // The model read at the last connection still decides after a disconnect; the guard answers next.
        device.disconnect();
        for (const auto& s : QuorixDevice::settingCatalogue()) {
            SCOPED_TRACE(s.name + " on disconnected " + model);
            expectGate(device, store, s, model, false);
        }
    }
    // A device that never connected names no model: only the settings of every model get past the gate.
    QuorixDevice never;
    for (const auto& s : QuorixDevice::settingCatalogue()) {
        SCOPED_TRACE(s.name + " never connected");
        expectGate(never, store, s, "", false);
    }
    std::vector<SettingDescription> subset;
    EXPECT_EQ(never.getSettingCatalogue(subset).code, InvalidDevice);
}

TEST(Catalogue, ShapesAndNamesAreChecked) {
    CameraStore store;
    QuorixDevice device;
    store.connect(device);
    EXPECT_EQ(device.setSetting("NoSuchSetting", {1}).code, WriteError);
    std::vector<double> out;
    EXPECT_EQ(device.getSetting("scan3dgain", out).code, ReadError);  // names are exact
    EXPECT_EQ(device.setSetting("Scan3DGain", {}).code, WriteError);
    EXPECT_EQ(device.setSetting("Scan3DGain", {1, 2}).code, WriteError);
    EXPECT_EQ(device.setSetting("Scan3DGain", {NAN}).code, WriteError);
    EXPECT_EQ(device.setSetting("FringeMinThreshold", {2.5}).code, WriteError);
    EXPECT_EQ(device.setSetting("Scan2DToneMappingEnable", {2}).code, WriteError);
    EXPECT_EQ(device.setSetting("CloudSmoothMode", {7}).code, WriteError);
    EXPECT_EQ(device.setSetting("Scan2DROI", {-1, 0, 0, 0}).code, WriteError);
    EXPECT_EQ(device.setSetting("DepthRange", {1e12, 2}).code, WriteError);
    EXPECT_TRUE(store.camera.requests().empty());
}

// Every setting of one model of each class: what get reads, set accepts, and reads back the same; a
// single-parameter setting also takes another value.
TEST(Catalogue, RoundTripOnTheVirtualCamera) {
    for (int code : {13, 4, 8, 1, 3, 9, 0}) {
        quorix_test::VirtualCameraDevice camera(code);
        ASSERT_TRUE(camera.ready());
        std::vector<SettingDescription> settings;
        ASSERT_TRUE(camera.device.getSettingCatalogue(settings).isOk());
        for (const auto& s : settings) {
            SCOPED_TRACE(s.name + " on model " + std::to_string(code));
            std::vector<double> read, again;
            ASSERT_TRUE(camera.device.getSetting(s.name, read).isOk());
            const ErrorStatus written = camera.device.setSetting(s.name, read);
            EXPECT_TRUE(written.isOk()) << written.message;
            ASSERT_TRUE(camera.device.getSetting(s.name, again).isOk());
            ASSERT_EQ(again.size(), read.size());
            for (std::size_t i = 0; i < read.size(); ++i) EXPECT_NEAR(again[i], read[i], 1.0) << i;
            if (s.kind == SettingKind::RealList || s.kind == SettingKind::Record) continue;
            // Another value reaches the camera and reads back as written.
            ASSERT_TRUE(camera.device.setSetting(s.name, {sample(s)}).isOk());
            ASSERT_TRUE(camera.device.getSetting(s.name, again).isOk());
            EXPECT_EQ(again, std::vector<double>{sample(s)});
        }
    }
}

}  // namespace
