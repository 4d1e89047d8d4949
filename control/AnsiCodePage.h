#pragma once
// The writing system's ANSI code page, Windows-1252: the encoding of the
// preference file and of search terms in query addresses. Texts in the
// program are UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace tiraleaf {

class AnsiCodePage {
public:
    // The byte of a character; nothing when the code page has none.
    static std::optional<unsigned char> toByte(char32_t character);
    // The character of a byte (the five bytes the code page leaves unused
    // stand for the control characters of the same value).
    static char32_t fromByte(unsigned char byte);
    // UTF-8 to code-page bytes; a character without a byte becomes "?".
    static std::string fromUtf8(std::string_view text);
    static std::string toUtf8(std::string_view bytes);
};

}  // namespace tiraleaf
