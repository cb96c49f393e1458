#include "terminal_text.h"

#include <cstdio>

namespace quorix {
namespace tool {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence that starts text[at] (a byte of 0x80 or above), with its code
// point, or 0 when there is none.
std::size_t sequenceAt(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(1) < low || byte(1) > high) return 0;
    codePoint = lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if (!isContinuation(byte(k))) return 0;
        codePoint = (codePoint << 6) | (byte(k) & 0x3F);
    }
    return length;
}

void appendEscape(std::string& out, const char* format, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, format, value);
    out += escape;
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (c < 0x80) {
            appendEscape(out, "\\x%02x", c);
        } else {
            char32_t codePoint = 0;
            const std::size_t length = sequenceAt(text, i, codePoint);
            if (length == 0) {
                appendEscape(out, "\\x%02x", c);
            } else {
                if (codePoint <= 0x9F)
                    appendEscape(out, "\\u%04x", static_cast<unsigned>(codePoint));
                else
                    out.append(text.substr(i, length));
                i += length;
                continue;
            }
        }
        ++i;
    }
    return out;
}

}  // namespace tool
}  // namespace quorix
