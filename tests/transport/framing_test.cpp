#include <gtest/gtest.h>

#include <string>

#include "transport/framing.h"

using norvik::protocol::appendDoubleBE;
using norvik::protocol::appendInt32BE;
using norvik::protocol::frameReply;
using norvik::protocol::readDoubleBE;
using norvik::protocol::readInt32BE;

TEST(Framing, ReadsBigEndianNumbersAndAdvances) {
    const std::string bytes("\x00\x00\x01\x2C\x3F\xF0\x00\x00\x00\x00\x00\x00\xFF\xFF\xFF\xFE", 16);
    int cursor = 0;
    EXPECT_EQ(readInt32BE(bytes, cursor), 300);
    EXPECT_EQ(cursor, 4);
    EXPECT_EQ(readDoubleBE(bytes, cursor), 1.0);
    EXPECT_EQ(cursor, 12);
    EXPECT_EQ(readInt32BE(bytes, cursor), -2);
    EXPECT_EQ(cursor, 16);  // a read ending exactly at the end succeeds
}

TEST(Framing, ShortReadsYieldZeroAndKeepTheCursor) {
    const std::string bytes("\x01\x02\x03\x04\x05\x06", 6);
    int cursor = 4;
    EXPECT_EQ(readInt32BE(bytes, cursor), 0);
    EXPECT_EQ(cursor, 4);
    cursor = 0;
    EXPECT_EQ(readDoubleBE(bytes, cursor), 0.0);
    EXPECT_EQ(cursor, 0);
    // A later, shorter field can still read what is left.
    EXPECT_EQ(readInt32BE(bytes, cursor), 0x01020304);
    for (int bad : {-1, -4, 7, 1 << 30}) {
        cursor = bad;
        EXPECT_EQ(readInt32BE(bytes, cursor), 0);
        EXPECT_EQ(cursor, bad);
    }
}

TEST(Framing, WritersRoundTripThroughReaders) {
    std::string out;
    appendInt32BE(out, -123456);
    appendDoubleBE(out, -2.5e-7);
    const std::string framed = frameReply("{}", out);
    int cursor = 0;
    EXPECT_EQ(readInt32BE(framed, cursor), 2);
    cursor += 2;
    EXPECT_EQ(readInt32BE(framed, cursor), -123456);
    EXPECT_EQ(readDoubleBE(framed, cursor), -2.5e-7);
}
