#include "control/AnsiCodePage.h"

#include "foundation/StrUtil.h"

namespace tiraleaf {

namespace {

// 0x80 to 0x9F; 0 where the code page defines no character.
constexpr char32_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::optional<unsigned char> AnsiCodePage::toByte(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<unsigned char>(character);
    for (unsigned i = 0; i < 32; ++i) {
        char32_t mapped = kHighControls[i] != 0 ? kHighControls[i] : 0x80 + i;
        if (mapped == character) return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

char32_t AnsiCodePage::fromByte(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    char32_t mapped = kHighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

std::string AnsiCodePage::fromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 0;
        char32_t c = foundation::StrUtil::charAt(text, pos, length);
        if (length == 0) break;
        pos += length;
        std::optional<unsigned char> byte = toByte(c);
        out += static_cast<char>(byte ? *byte : '?');
    }
    return out;
}

std::string AnsiCodePage::toUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) foundation::StrUtil::appendUtf8(out, fromByte(static_cast<unsigned char>(b)));
    return out;
}

}  // namespace tiraleaf
