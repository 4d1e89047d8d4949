#include "foundation/LogText.h"

#include <cstdio>

namespace foundation {

namespace {

std::string hexEscape(unsigned value, int digits, char kind) {
    char buf[16];
    // Only integer conversions, which no locale changes.
    std::snprintf(buf, sizeof buf, "\\%c%0*X", kind, digits, value);
    return buf;
}

}  // namespace

std::string LogText::escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '\n': out += "\\n"; continue;
            case '\r': out += "\\r"; continue;
            case '\t': out += "\\t"; continue;
            case '\\': out += "\\\\"; continue;
            default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            out += hexEscape(c, 2, 'x');
            continue;
        }
        // C1 controls: U+0080 to U+009F, encoded as C2 80 to C2 9F.
        if (c == 0xC2 && i + 1 < text.size()) {
            unsigned char next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                out += hexEscape(next, 4, 'u');
                ++i;
                continue;
            }
        }
        // U+2028 and U+2029: E2 80 A8 and E2 80 A9.
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
            unsigned char last = static_cast<unsigned char>(text[i + 2]);
            if (last == 0xA8 || last == 0xA9) {
                out += hexEscape(0x2000u + 0x28u + (last - 0xA8u), 4, 'u');
                i += 2;
                continue;
            }
        }
        out += static_cast<char>(c);
    }
    return out;
}

std::string LogText::excerpt(std::string_view text, size_t limit) {
    if (text.size() <= limit) return escape(text);
    size_t cut = limit;
    // Back off continuation bytes so that no UTF-8 character is split.
    for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back) --cut;
    return escape(text.substr(0, cut)) + " ... (" + std::to_string(text.size()) + " bytes in all)";
}

}  // namespace foundation
