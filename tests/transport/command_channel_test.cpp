#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/scripted_camera.h"
#include "transport/command_client.h"
#include "transport/framing.h"

using norvik::transport::CommandClient;
using quorix_test::Reply;
using quorix_test::ScriptedCamera;

namespace {

// A loopback port on which nothing listens.
int closedPort() {
    zmq::context_t context;
    zmq::socket_t probe(context, zmq::socket_type::rep);
    probe.bind("tcp://127.0.0.1:*");
    const std::string endpoint = probe.get(zmq::sockopt::last_endpoint);
    return std::stoi(endpoint.substr(endpoint.rfind(':') + 1));
}

Reply numbered(int n, int delayMs = 0) {
    Json::Value body;
    body["n"] = n;
    Reply reply = ScriptedCamera::json(body);
    reply.delayMs = delayMs;
    return reply;
}

int numberOf(CommandClient& client) {
    Json::Value request, reply;
    request["cmd"] = "Probe";
    if (!client.requestJson(request, reply, norvik::api::ReadError).isOk()) return -1;
    return reply["n"].asInt();
}

// No reply: a read failure saying so, and an empty message.
void expectNoReply(CommandClient& client, const std::string& request) {
    zmq::message_t reply("stale", 5);
    const norvik::api::ErrorStatus status = client.sendCommand(request, reply);
    EXPECT_EQ(status.code, norvik::api::ReadError);
    EXPECT_EQ(status.message, "Empty response!");
    EXPECT_EQ(reply.size(), 0u);
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(CommandChannel, EndpointTextHasNoLeadingZeros) {
    EXPECT_EQ(CommandClient::makeEndpoint("192.168.1.10", 5577), "tcp://192.168.1.10:5577");
    EXPECT_EQ(CommandClient::makeEndpoint("10.0.0.1", 0), "tcp://10.0.0.1:0");
}

TEST(CommandChannel, UnreachableCameraFailsWithinTheTimeOutsWithOneLine) {
    const int port = closedPort();
    CommandClient client;
    ASSERT_TRUE(client.openChannel("127.0.0.1", static_cast<std::uint16_t>(port), 300).isOk());
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    expectNoReply(client, "{\"cmd\":\"GetCameraInfo\"}\n");
    const double elapsed = secondsSince(start);
    // ZeroMQ queues the request for a peer that may still come, so it is the receive that gives up.
    const std::string endpoint = "tcp://127.0.0.1:" + std::to_string(port);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(printed == "Recv failed!" + endpoint + "\n" || printed == "Send failed!" + endpoint + "\n")
        << printed;
    EXPECT_GE(elapsed, 0.25);
    EXPECT_LT(elapsed, 1.0 + 0.3 + 2.0);
}

TEST(CommandChannel, NothingIsSentBeforeAChannelIsOpened) {
    CommandClient client;
    testing::internal::CaptureStdout();
    expectNoReply(client, "x");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(client.connectionGuard().code, norvik::api::InvalidDevice);
    EXPECT_EQ(client.connectionGuard().message,
              "Invalid device. Please use connect() to connect to a Quorix device.");
    client.closeChannel();  // never connected: nothing to do
}

TEST(CommandChannel, AfterAReceiveTimeOutTheNextCommandWorksAndTheLateReplyIsDropped) {
    ScriptedCamera camera;
    camera.queueNext(numbered(1, 600));
    camera.queueNext(numbered(2));
    camera.queueNext(numbered(3));
    CommandClient client;
    ASSERT_TRUE(client.openChannel("127.0.0.1", static_cast<std::uint16_t>(camera.port()), 200).isOk());

    testing::internal::CaptureStdout();
    EXPECT_EQ(numberOf(client), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Recv failed!tcp://127.0.0.1:" + std::to_string(camera.port()) + "\n");
    EXPECT_EQ(numberOf(client), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the late reply has been sent by now
    EXPECT_EQ(numberOf(client), 3);
}

TEST(CommandChannel, ThreadsSharingAChannelEachGetTheirOwnReply) {
    ScriptedCamera camera;
    camera.on("Echo", [](const Json::Value& request) {
        Json::Value body;
        body["tag"] = request["tag"];
        return ScriptedCamera::json(body);
    });
    CommandClient client;
    ASSERT_TRUE(client.openChannel("127.0.0.1", static_cast<std::uint16_t>(camera.port()), 2000).isOk());
    auto worker = [&client](int thread, int& mismatches) {
        for (int i = 0; i < 200; ++i) {
            Json::Value request, reply;
            request["cmd"] = "Echo";
            request["tag"] = thread * 1000 + i;
            if (!client.requestJson(request, reply, norvik::api::ReadError).isOk() ||
                reply["tag"].asInt() != thread * 1000 + i)
                ++mismatches;
        }
    };
    int mismatchesA = 0, mismatchesB = 0;
    std::thread a(worker, 1, std::ref(mismatchesA));
    std::thread b(worker, 2, std::ref(mismatchesB));
    a.join();
    b.join();
    EXPECT_EQ(mismatchesA, 0);
    EXPECT_EQ(mismatchesB, 0);
}

TEST(CommandChannel, ReconnectingReplacesTheEndpoint) {
    ScriptedCamera first, second;
    first.queueNext(numbered(1));
    second.queueNext(numbered(2));
    CommandClient client;
    ASSERT_TRUE(client.openChannel("127.0.0.1", static_cast<std::uint16_t>(first.port()), 2000).isOk());
    EXPECT_EQ(numberOf(client), 1);
    ASSERT_TRUE(client.openChannel("127.0.0.1", static_cast<std::uint16_t>(second.port()), 2000).isOk());
    EXPECT_EQ(client.currentEndpoint(), "tcp://127.0.0.1:" + std::to_string(second.port()));
    EXPECT_EQ(numberOf(client), 2);
    client.closeChannel();
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(client.currentEndpoint(), "");
    client.closeChannel();
}

// requestJson: how each form of reply is judged.
struct ReplyCase {
    const char* name;
    std::string bytes;
    bool ok;
    std::string error;  // expected text when not ok ("*" = any non-empty text)
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

class RequestJsonReplies : public testing::TestWithParam<ReplyCase> {};

TEST_P(RequestJsonReplies, AreJudgedAsExpected) {
    const ReplyCase& c = GetParam();
    ScriptedCamera camera;
    camera.queueNext(ScriptedCamera::raw(c.bytes));
    CommandClient client;
    ASSERT_TRUE(client.openChannel("127.0.0.1", static_cast<std::uint16_t>(camera.port()), 2000).isOk());
    Json::Value request, reply;
    request["cmd"] = "GetCameraInfo";
    const norvik::api::ErrorStatus status = client.requestJson(request, reply, norvik::api::WriteError);
    EXPECT_EQ(status.isOk(), c.ok);
    if (!c.ok) {
        EXPECT_EQ(status.code, norvik::api::WriteError);
    }
    const std::string& text = status.message;
    if (!c.ok && c.error == "*") {
        EXPECT_FALSE(text.empty());
    } else {
        EXPECT_EQ(text, c.error);
    }
}

std::string framed(const std::string& json) { return norvik::protocol::frameReply(json); }

INSTANTIATE_TEST_SUITE_P(
    Forms, RequestJsonReplies,
    testing::Values(ReplyCase{"Empty", "", false, "Empty response!"},
                    ReplyCase{"TwoBytes", std::string("\x00\x01", 2), false, "Empty response!"},
                    ReplyCase{"FourBytes", std::string(4, '\0'), true, ""},
                    ReplyCase{"NoErrMsg", framed("{\"camera_info\":{}}"), true, ""},
                    ReplyCase{"EmptyErrMsg", framed("{\"err_msg\":\"\"}"), true, ""},
                    ReplyCase{"TextErrMsg", framed("{\"err_msg\":\"busy\"}"), false, "busy"},
                    ReplyCase{"NullErrMsg", framed("{\"err_msg\":null}"), false, ""},
                    ReplyCase{"NumberErrMsg", framed("{\"err_msg\":42}"), false, "42"},
                    ReplyCase{"ObjectErrMsg", framed("{\"err_msg\":{}}"), false, "*"},
                    ReplyCase{"NotJson", framed("hello"), false, "*"},
                    ReplyCase{"BinaryAfterJson", framed("{\"a\":1}") + std::string("\x00\xFF", 2), true, ""}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });
