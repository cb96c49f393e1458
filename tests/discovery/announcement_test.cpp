// Naming and cutting of announcements: no socket needed.

#include "discovery/announcement.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using norvik::discovery::addressOfKey;
using norvik::discovery::payloadOf;
using norvik::discovery::senderKey;

sockaddr_in sender(const char* address, std::uint16_t port) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = htons(port);
    inet_pton(AF_INET, address, &s.sin_addr);
    return s;
}

TEST(SenderKey, IsDottedAddressColonDecimalPortAndSortsByteWise) {
    EXPECT_EQ(senderKey(sender("192.168.1.20", 5577)), "192.168.1.20:5577");
    EXPECT_EQ(senderKey(sender("0.0.0.0", 0)), "0.0.0.0:0");
    EXPECT_EQ(senderKey(sender("255.255.255.255", 65535)), "255.255.255.255:65535");
    EXPECT_EQ(addressOfKey("10.0.0.10:5577"), "10.0.0.10");

    // Byte order, not numeric order: .10 before .9 and before .1 ('0' < ':'), port 10000 before port 9.
    std::vector<std::string> keys = {senderKey(sender("10.0.0.9", 1)), senderKey(sender("10.0.0.10", 1)),
                                     senderKey(sender("10.0.0.1", 9)), senderKey(sender("10.0.0.1", 10000))};
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"10.0.0.10:1", "10.0.0.1:10000", "10.0.0.1:9", "10.0.0.9:1"}));
}

TEST(Payload, IsCutAtTheFirstZeroByte) {
    const struct {
        std::string datagram;
        std::string payload;
    } cases[] = {
        {"{\"quorixId\":\"A1\"}", "{\"quorixId\":\"A1\"}"},
        {std::string("{\"quorixId\":\"A1\"}\0\0\0padding", 27), "{\"quorixId\":\"A1\"}"},
        {std::string("hello\0{\"quorixId\":\"B\"}\0", 23), "hello"},
        {std::string("\0abc", 4), ""},
        {"", ""},
        {"\xff\xfe", "\xff\xfe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(payloadOf(c.datagram.data(), c.datagram.size()), c.payload) << c.datagram;
    }
}

}  // namespace
