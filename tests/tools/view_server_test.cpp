// The server of `quorix view` against an in-process virtual camera, without a browser: frames shared by
// several clients, settings changes, saves, and bad input of every kind, which must never stop the server
// or the frames of the other clients.
#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/writer.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "view_frame.h"
#include "view_session.h"
#include "view_settings.h"
#include "virtualcam/virtual_camera.h"
#include "web_server.h"
#include "websocket_probe.h"

namespace {

using namespace norvik::api;
using probe::WebSocketProbe;
namespace tool = quorix::tool;
namespace viewer = quorix::viewer;

Json::Value parse(const std::string& text) {
    Json::Value value;
    Json::Reader().parse(text, value);
    return value;
}

class ViewServer : public ::testing::Test {
protected:
    void SetUp() override {
        quorix::virtualcam::Options options;
        options.colorSize = {96, 64};
        options.depthSize = {96, 64};
        camera = std::make_unique<quorix::virtualcam::VirtualCamera>(options);
        ASSERT_TRUE(camera->start());
        ASSERT_EQ(device.connect("127.0.0.1", camera->port()).code, Success);
        page = ::testing::TempDir() + "quorix_view_page_" + std::to_string(::getpid());
        std::filesystem::create_directories(page);
        std::ofstream(page + "/index.html") << "<!doctype html><title>viewer</title>";
        session = std::make_unique<tool::ViewSession>(device);
        server = std::make_unique<viewer::WebServer>(page, session->handlers());
        std::string error;
        ASSERT_TRUE(server->listen("127.0.0.1", 0, error)) << error;
        session->start(*server);
        serving = std::thread([this] { server->run(false); });
    }

    void TearDown() override {
        if (server) server->stop();
        if (serving.joinable()) serving.join();
        if (session) session->stop();
        std::filesystem::remove_all(page);
    }

    std::uint16_t port() const { return server->port(); }

    // Opens a client and reads its greeting (hello, settings, userSets).
    void openClient(WebSocketProbe& client, Json::Value* settings = nullptr) {
        ASSERT_TRUE(client.open(port()));
        for (const char* type : {"hello", "settings", "userSets"}) {
            Json::Value m = nextJson(client);
            ASSERT_EQ(m["type"].asString(), type);
            if (settings && m["type"] == "settings") *settings = m["settings"];
        }
    }

    // The next text message, skipping frames.
    static Json::Value nextJson(WebSocketProbe& client) {
        std::uint8_t opcode = 0;
        std::string payload;
        while (client.receive(opcode, payload))
            if (opcode == 1) return parse(payload);
        return Json::Value();
    }

    // Asks for a frame and returns its header; skips text messages on the way.
    static bool nextFrame(WebSocketProbe& client, tool::FrameHeader& header) {
        if (!client.sendText(R"({"type":"next"})")) return false;
        std::uint8_t opcode = 0;
        std::string payload;
        while (client.receive(opcode, payload))
            if (opcode == 2) return tool::decodeFrameHeader(payload, header);
        return false;
    }

    std::unique_ptr<quorix::virtualcam::VirtualCamera> camera;
    QuorixDevice device;
    std::string page;
    std::unique_ptr<tool::ViewSession> session;
    std::unique_ptr<viewer::WebServer> server;
    std::thread serving;
};

TEST_F(ViewServer, ServesThePageAndNothingOutsideIt) {
    std::string body;
    EXPECT_EQ(probe::httpGet(port(), "/", body), 200);
    EXPECT_NE(body.find("<title>viewer</title>"), std::string::npos);
    EXPECT_EQ(probe::httpGet(port(), "/../index.html", body), 404);
    EXPECT_EQ(probe::httpGet(port(), "/.hidden", body), 404);
    EXPECT_EQ(probe::httpGet(port(), "/missing.js", body), 404);
    EXPECT_EQ(probe::httpGet(port(), "/", body, "POST"), 405);
    EXPECT_EQ(probe::httpGet(port(), "/save/cloud.ply", body), 503);  // no frame yet
    EXPECT_EQ(probe::httpGet(port(), "/save/passwd", body), 404);
    WebSocketProbe other;
    EXPECT_FALSE(other.open(port(), "/elsewhere"));

    EXPECT_TRUE(viewer::isSafePagePath("/js/main.js"));
    for (const char* bad : {"", "js", "/", "/a//b", "/a/../b", "/a/.b", "/a b", "/a%2e", "/a/"})
        EXPECT_FALSE(viewer::isSafePagePath(bad)) << bad;
}

TEST_F(ViewServer, FramesReachEveryWaitingClient) {
    WebSocketProbe a, b;
    openClient(a);
    openClient(b);
    ASSERT_TRUE(b.sendText(R"({"type":"stream","step":2})"));
    tool::FrameHeader ha, hb;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(nextFrame(a, ha));
        ASSERT_TRUE(nextFrame(b, hb));
    }
    EXPECT_EQ(hb.step, 2u);
    EXPECT_EQ(hb.colorWidth, 48u);
    EXPECT_EQ(hb.depthHeight, 32u);
    EXPECT_EQ(ha.colorWidth, 96u);
    EXPECT_EQ(ha.depthHeight, 64u);
    EXPECT_GT(ha.depthMaxMm, ha.depthMinMm);
    EXPECT_GT(ha.depthMinMm, 0.0f);
    EXPECT_GE(ha.sequence, 3u);
    EXPECT_GE(session->framesCaptured(), 3u);
}

TEST_F(ViewServer, SettingChangesReachTheCameraAndEveryClient) {
    WebSocketProbe a, b;
    Json::Value settings;
    openClient(a, &settings);
    openClient(b);
    ASSERT_TRUE(a.sendText(R"({"type":"set","name":"Scan2DExposureTime","value":42})"));
    for (WebSocketProbe* client : {&a, &b}) {
        Json::Value m = nextJson(*client);
        EXPECT_EQ(m["type"].asString(), "setting");
        EXPECT_EQ(m["value"].asDouble(), 42.0);
    }
    double held = 0;
    device.getScan2DExposureTime(held);
    EXPECT_EQ(held, 42.0);

    // A refusal carries the message to the client that asked, and every client hears the value kept.
    ASSERT_TRUE(a.sendText(R"({"type":"set","name":"Scan2DExposureTime","value":5000})"));
    Json::Value refused = nextJson(a);
    EXPECT_EQ(refused["type"].asString(), "refused");
    EXPECT_EQ(refused["name"].asString(), "Scan2DExposureTime");
    EXPECT_NE(refused["message"].asString().find("999"), std::string::npos) << refused["message"].asString();
    EXPECT_EQ(nextJson(a)["value"].asDouble(), 42.0);
    EXPECT_EQ(nextJson(b)["value"].asDouble(), 42.0);

    ASSERT_TRUE(a.sendText(R"({"type":"userSet","action":"add","name":"bright"})"));
    Json::Value sets = nextJson(a);
    EXPECT_EQ(sets["type"].asString(), "userSets");
    EXPECT_EQ(sets["current"].asString(), "bright");
}

TEST_F(ViewServer, BadInputIsAnsweredAndTheOtherClientsKeepTheirFrames) {
    WebSocketProbe watcher;
    openClient(watcher);
    std::atomic<bool> done{false};
    std::atomic<int> frames{0};
    std::thread watching([&] {
        tool::FrameHeader h;
        while (!done && nextFrame(watcher, h)) ++frames;
    });

    WebSocketProbe rude;
    openClient(rude);
    const std::pair<const char*, const char*> answered[] = {
        {"not json", "error"},
        {"[1, 2]", "error"},
        {R"({"type": 7})", "error"},
        {R"({"type": "explode"})", "error"},
        {R"({"type": "set", "name": "NoSuchSetting", "value": 1})", "refused"},
        {R"({"type": "set", "name": 42})", "refused"},
        {R"({"type": "set", "name": "Scan2DExposureTime"})", "refused"},
        {R"({"type": "set", "name": "Scan2DExposureTime", "value": {"a": [1]}})", "refused"},
        {R"({"type": "set", "name": "Scan2DExposureTime", "value": -1e308})", "refused"},
        {R"({"type": "set", "name": "DepthRange", "value": [3000, 100]})", "refused"},
        {R"({"type": "set", "name": "Scan2DROI", "value": {"X": 90, "Y": 0, "Width": 50, "Height": 10}})",
         "refused"},
        {R"({"type": "set", "name": "Scan2DExposureMode", "value": "Sideways"})", "refused"},
        {R"({"type": "stream", "step": 3})", "error"},
        {R"({"type": "stream", "step": "all"})", "error"},
        {R"({"type": "userSet", "action": "explode"})", "refused"},
        {R"({"type": "userSet", "action": "select", "name": "never added"})", "refused"},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[", "error"},
    };
    for (const auto& [text, type] : answered) {
        ASSERT_TRUE(rude.sendText(text)) << text;
        Json::Value m = nextJson(rude);
        EXPECT_EQ(m["type"].asString(), type) << text;
        EXPECT_FALSE(m["message"].asString().empty()) << text;
        // A refused setting is followed by its value as it stands, where it has one.
        while (std::string(type) == "refused" && m["type"] == "refused") {
            std::uint8_t opcode;
            std::string payload;
            if (!rude.receive(opcode, payload, 300)) break;
            m = parse(payload);
        }
    }

    // Protocol faults close that connection alone.
    const std::string hugeLength = std::string("\x81\xff\x7f\xff\xff\xff\xff\xff\xff\xff", 10) + "mask";
    const std::string faults[] = {
        std::string("\x81\x05hello", 7),             // unmasked client frame
        std::string("\x83\x80\x01\x02\x03\x04", 6),  // reserved opcode
        hugeLength,                                  // a 2^63-byte message
        std::string("\xf1\x80\x01\x02\x03\x04", 6),  // reserved bits set
    };
    for (const std::string& fault : faults) {
        WebSocketProbe client;
        openClient(client);
        ASSERT_TRUE(client.sendRaw(fault));
        EXPECT_TRUE(client.closedByServer());
    }
    WebSocketProbe tooLong, binary;
    openClient(tooLong);
    tooLong.sendText(std::string(viewer::WebServer::kMaxIncomingMessage + 1, ' '));
    EXPECT_TRUE(tooLong.closedByServer());
    openClient(binary);
    binary.sendFrame(0x2, "\x01\x02");
    EXPECT_TRUE(binary.closedByServer());

    // Clients that vanish half-way through a frame.
    for (int i = 0; i < 5; ++i) {
        WebSocketProbe leaving;
        openClient(leaving);
        ASSERT_TRUE(leaving.sendText(R"({"type":"next"})"));
        leaving.readSome(100);
        leaving.close();
    }
    // A client that keeps asking and never reads: it holds one frame at a time at most, not a queue.
    WebSocketProbe hoarder;
    openClient(hoarder);
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(hoarder.sendText(R"({"type":"next"})"));

    // Not a WebSocket at all.
    std::string body;
    EXPECT_EQ(probe::httpGet(port(), "/ws", body), 404);

    const int before = frames;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (frames < before + 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(frames, before + 5) << "the watching client stopped getting frames";
    done = true;
    watching.join();

    // The session still answers the rude client normally.
    ASSERT_TRUE(rude.sendText(R"({"type":"settings"})"));
    Json::Value m = nextJson(rude);
    while (m["type"] == "setting" || m["type"] == "refused") m = nextJson(rude);
    EXPECT_EQ(m["type"].asString(), "settings");
}

TEST_F(ViewServer, SavesTheFramesFilesThroughTheExportWriters) {
    WebSocketProbe client;
    openClient(client);
    tool::FrameHeader header;
    ASSERT_TRUE(nextFrame(client, header));
    std::string body;
    ASSERT_EQ(probe::httpGet(port(), "/save/cloud.ply?frame=" + std::to_string(header.sequence), body), 200);
    EXPECT_EQ(body.compare(0, 4, "ply\n"), 0);
    EXPECT_NE(body.find("property uchar red"), std::string::npos);
    ASSERT_EQ(probe::httpGet(port(), "/save/cloud.pcd", body), 200);
    EXPECT_EQ(body.compare(0, 5, "# .PC"), 0);
    ASSERT_EQ(probe::httpGet(port(), "/save/color.png?frame=999999", body), 200);  // gone: the newest
    EXPECT_EQ(body.compare(0, 4, "\x89PNG"), 0);
    ASSERT_EQ(probe::httpGet(port(), "/save/depth.tiff", body), 200);
    EXPECT_EQ(body.compare(0, 4, std::string("II*\0", 4)), 0);
}

TEST(ViewFrame, DepthsKeepTheirValueWithinHalfAUnitAndMeasuredNeverBecomesZero) {
    Frame<ElementColor> color;
    color.resize(3, 1);
    color[0] = {1, 2, 3}, color[1] = {4, 5, 6}, color[2] = {7, 8, 9};
    Frame<ElementDepth> depth;
    depth.resize(4, 2);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float values[8] = {0, 1234.5f, nan, -5, inf, 0.001f, 4999.99f, 300};
    for (int i = 0; i < 8; ++i) depth[i].d = values[i];
    std::string message;
    tool::encodeFrameMessage(7, color, depth, tool::FrameTimes{1, 2, 3, 4}, 1, message);
    tool::FrameHeader h;
    ASSERT_TRUE(tool::decodeFrameHeader(message, h));
    EXPECT_EQ(h.sequence, 7u);
    EXPECT_EQ(h.depthMinMm, 0.001f);
    EXPECT_EQ(h.depthMaxMm, 4999.99f);
    EXPECT_EQ(h.times.captureDepth, 2.0f);
    ASSERT_EQ(message.size(), h.depthOffset + 16u);
    EXPECT_EQ(h.depthOffset % 4, 0u);
    EXPECT_EQ(std::memcmp(message.data() + h.colorOffset, color.data(), 9), 0);
    for (int i = 0; i < 8; ++i) {
        std::uint16_t sample;
        std::memcpy(&sample, message.data() + h.depthOffset + 2 * i, 2);
        const bool measured = std::isfinite(values[i]) && values[i] > 0;
        if (!measured) {
            EXPECT_EQ(sample, 0) << i;
        } else {
            EXPECT_GE(sample, 1) << i;
            EXPECT_NEAR(sample * h.depthUnitMm, values[i], h.depthUnitMm) << i;
        }
    }
    std::string shortMessage = message.substr(0, 10);
    EXPECT_FALSE(tool::decodeFrameHeader(shortMessage, h));

    // Every second pixel of every second row: 2 x 1 of the colour, 2 x 1 of the depth.
    tool::encodeFrameMessage(8, color, depth, tool::FrameTimes{}, 2, message);
    ASSERT_TRUE(tool::decodeFrameHeader(message, h));
    EXPECT_EQ(h.step, 2u);
    EXPECT_EQ(h.colorWidth, 2u);
    EXPECT_EQ(h.colorHeight, 1u);
    EXPECT_EQ(h.depthWidth, 2u);
    EXPECT_EQ(h.depthHeight, 1u);
    EXPECT_EQ(h.depthMaxMm, 4999.99f);  // of the whole map
    ASSERT_EQ(message.size(), h.depthOffset + 4u);
    EXPECT_EQ(std::memcmp(message.data() + h.colorOffset + 3, &color[2], 3), 0);
    std::uint16_t samples[2];
    std::memcpy(samples, message.data() + h.depthOffset, 4);
    EXPECT_EQ(samples[0], 0);  // pixel 0
    EXPECT_EQ(samples[1], 0);  // pixel 2: NaN
}

TEST(ViewSettings, DescribesKindsRangesUnitsAndEnumeratorsFromTheSettingTable) {
    quorix::virtualcam::Options options;
    options.colorSize = {64, 48};
    options.depthSize = {64, 48};
    quorix::virtualcam::VirtualCamera camera(options);
    ASSERT_TRUE(camera.start());
    QuorixDevice device;
    ASSERT_EQ(device.connect("127.0.0.1", camera.port()).code, Success);
    const Json::Value list = tool::describeSettings(device);
    std::map<std::string, Json::Value> byName;
    for (const auto& entry : list) byName[entry["name"].asString()] = entry;

    const Json::Value& exposure = byName["Scan2DExposureTime"];
    EXPECT_EQ(exposure["kind"].asString(), "number");
    EXPECT_EQ(exposure["min"].asDouble(), 0.1);
    EXPECT_EQ(exposure["max"].asDouble(), 999.0);
    EXPECT_EQ(exposure["unit"].asString(), "ms");
    EXPECT_TRUE(exposure["value"].isNumeric());
    EXPECT_EQ(byName["Scan2DExpectedGrayValue"]["kind"].asString(), "integer");
    EXPECT_EQ(byName["Scan2DExpectedGrayValue"]["max"].asInt(), 255);
    EXPECT_EQ(byName["Scan2DToneMappingEnable"]["kind"].asString(), "bool");
    const Json::Value& mode = byName["Scan2DExposureMode"];
    EXPECT_EQ(mode["kind"].asString(), "enum");
    ASSERT_EQ(mode["enumerators"].size(), 4u);
    EXPECT_EQ(mode["enumerators"][2].asString(), "HDR");
    EXPECT_EQ(byName["Scan3DExposure"]["kind"].asString(), "list");
    EXPECT_EQ(byName["Scan3DExposure"]["maxCount"].asInt(), 3);
    EXPECT_EQ(byName["Scan3DExposure"]["max"].asDouble(), 99.0);
    const Json::Value& roi = byName["Scan2DROI"];
    EXPECT_EQ(roi["kind"].asString(), "struct");
    EXPECT_EQ(roi["unit"].asString(), "px");
    ASSERT_EQ(roi["fields"].size(), 4u);
    EXPECT_EQ(roi["fields"][0].asString(), "X");
    EXPECT_EQ(roi["fields"][3].asString(), "Height");
    EXPECT_EQ(byName["DepthRange"]["fields"][0].asString(), "depthLowerLimit");
    EXPECT_EQ(byName["DepthRange"]["unit"].asString(), "mm");
    // The default model has no laser projector.
    EXPECT_EQ(byName.count("LaserSettings"), 0u);
}

}  // namespace
