// The receive loop on an ephemeral port with a short window, so the timing rules are checked quickly.

#include "discovery/discovery_listener.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "discovery/discovery_messages.h"
#include "transport/protocol_names.h"
#include "udp_sender.h"

namespace norvik {
namespace discovery {

// For the comparisons below (found by argument lookup).
bool operator==(const Announcement& a, const Announcement& b) {
    return a.address == b.address && a.payload == b.payload;
}
void PrintTo(const Announcement& a, std::ostream* os) { *os << a.address << " \"" << a.payload << "\""; }

}  // namespace discovery
}  // namespace norvik

namespace {

using discovery_test::Announcer;
using discovery_test::millisecondsSince;
using discovery_test::UdpSender;
using norvik::discovery::Announcement;
using norvik::discovery::DiscoveryListener;

TEST(DiscoveryListener, WindowRestartsAtNewSendersOnlyAndKeepsFirstDatagrams) {
    DiscoveryListener listener(0, 600);
    ASSERT_EQ(listener.bind(), 0);
    const auto start = std::chrono::steady_clock::now();
    // An old sender repeating does not hold the window open; a new one 500 ms in does, for a whole window.
    Announcer repeating({{"127.0.0.9", "first"}}, listener.boundPort(), 100, 0, 30, true);
    Announcer late({{"127.0.0.10", "late"}}, listener.boundPort(), 1000, 500, 1);

    testing::internal::CaptureStdout();
    const std::vector<Announcement> heard = listener.collect();
    const double elapsed = millisecondsSince(start);

    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // traffic went on: the window ended quietly
    EXPECT_EQ(heard, (std::vector<Announcement>{{"127.0.0.10", "late"}, {"127.0.0.9", "first#0"}}));
    EXPECT_GE(elapsed, 1100);
    EXPECT_LT(elapsed, 2500);  // repeats until 3000 ms would have kept it open to 3600 ms
}

TEST(DiscoveryListener, DropsOversizedDatagramsAndListensOn) {
    DiscoveryListener listener(0, 300);
    ASSERT_EQ(listener.bind(), 0);
    UdpSender ten("127.0.0.10");
    UdpSender nine("127.0.0.9");
    const std::string largest(norvik::protocol::kMaxAnnouncementBytes, 'x');
    ten.send(std::string(largest.size() + 1, 'o'), listener.boundPort());  // one byte too many
    ten.send(largest, listener.boundPort());
    nine.send(std::string(4096, 'y'), listener.boundPort());
    nine.send(std::string("nine\0padding", 12), listener.boundPort());

    testing::internal::CaptureStdout();
    const std::vector<Announcement> heard = listener.collect();

    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Receive Data error.\n11\n");  // quiet: time-out
    EXPECT_EQ(heard, (std::vector<Announcement>{{"127.0.0.10", largest}, {"127.0.0.9", "nine"}}));
}

// A new sender every 40 ms from new source ports, for longer than any listening round may last.
class Flood {
public:
    explicit Flood(std::uint16_t port)
        : thread_([this, port] {
              for (int i = 0; !stop_; ++i) {
                  UdpSender("127.0.0.9").send("camera " + std::to_string(i), port);
                  std::this_thread::sleep_for(std::chrono::milliseconds(40));
              }
          }) {}
    ~Flood() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(DiscoveryListener, NewSendersExtendTheWindowOnlyUntilTheRoundEnds) {
    DiscoveryListener listener(0, 600, 1500, 1024);
    ASSERT_EQ(listener.bind(), 0);
    const auto start = std::chrono::steady_clock::now();
    Flood flood(listener.boundPort());
    testing::internal::CaptureStdout();
    const std::size_t heard = listener.collect().size();
    const double elapsed = millisecondsSince(start);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_GE(elapsed, 1450);
    EXPECT_LT(elapsed, 2200);  // a window extended by every new sender would last as long as the flood
    EXPECT_GE(heard, 10u);
}

TEST(DiscoveryListener, KeepsAtMostTheLimitOfSendersAndSaysSoOnce) {
    DiscoveryListener listener(0, 1000, 5000, 4);
    ASSERT_EQ(listener.bind(), 0);
    Flood flood(listener.boundPort());
    testing::internal::CaptureStderr();
    const std::vector<Announcement> heard = listener.collect();
    const std::string printed = testing::internal::GetCapturedStderr();
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(printed, norvik::discovery::tooManySendersLine(4) + "\n");
}

TEST(DiscoveryListener, BindOnAPortTakenWithoutReuseFailsWithItsLines) {
    UdpSender holder("0.0.0.0");
    DiscoveryListener listener(holder.port(), 200);

    testing::internal::CaptureStdout();
    EXPECT_EQ(listener.bind(), norvik::discovery::kBindFailed);
    EXPECT_TRUE(listener.collect().empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "UDP Bind error.\n98\nReceive Data error.\n11\n");
}

TEST(UdpSocket, CountsOpenSocketsOnce) {
    const std::int32_t before = DiscoveryListener::socketUsers();
    {
        DiscoveryListener a(0);
        DiscoveryListener b(0);
        EXPECT_EQ(DiscoveryListener::socketUsers(), before + 2);
        a.close();
        a.close();
        EXPECT_FALSE(a.isOpen());
        EXPECT_TRUE(b.isOpen());
        EXPECT_EQ(DiscoveryListener::socketUsers(), before + 1);
    }
    EXPECT_EQ(DiscoveryListener::socketUsers(), before);
}

}  // namespace
