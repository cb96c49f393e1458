#include "transport/framing.h"

#include <cstring>

namespace norvik {
namespace protocol {

namespace {

bool hasBytes(std::string_view reply, int cursor, std::size_t count) {
    return cursor >= 0 && static_cast<std::size_t>(cursor) <= reply.size() &&
           reply.size() - static_cast<std::size_t>(cursor) >= count;
}

std::uint64_t readBigEndian(std::string_view reply, int cursor, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value << 8) | static_cast<unsigned char>(reply[static_cast<std::size_t>(cursor) + i]);
    }
    return value;
}

void appendBigEndian(std::string& out, std::uint64_t value, std::size_t count) {
    for (std::size_t i = count; i-- > 0;) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::int32_t readInt32BE(std::string_view reply, int& cursor) {
    if (!hasBytes(reply, cursor, 4)) return 0;
    const auto bits = static_cast<std::uint32_t>(readBigEndian(reply, cursor, 4));
    cursor += 4;
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double readDoubleBE(std::string_view reply, int& cursor) {
    if (!hasBytes(reply, cursor, 8)) return 0.0;
    const std::uint64_t bits = readBigEndian(reply, cursor, 8);
    cursor += 8;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void appendInt32BE(std::string& out, std::int32_t value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendBigEndian(out, bits, 4);
}

void appendDoubleBE(std::string& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendBigEndian(out, bits, 8);
}

std::string frameReply(std::string_view jsonText, std::string_view binaryTail) {
    std::string out;
    out.reserve(kLengthPrefixBytes + jsonText.size() + binaryTail.size());
    appendInt32BE(out, static_cast<std::int32_t>(jsonText.size()));
    out.append(jsonText);
    out.append(binaryTail);
    return out;
}

}  // namespace protocol
}  // namespace norvik
