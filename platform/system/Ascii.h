#pragma once
// Character classes and letter case of ASCII text, the same under every
// locale. <cctype> follows the C library's locale, which Qt sets from the
// user's environment: under tr_TR toupper('i') is no 'I', and under a Latin-1
// locale isalpha takes accented bytes. Bytes above 0x7F are never letters,
// digits or blanks here and keep their case.

#include <string>
#include <string_view>

namespace sys {

constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool isAsciiAlpha(char c) { return isAsciiUpper(c) || isAsciiLower(c); }
constexpr bool isAsciiAlnum(char c) { return isAsciiAlpha(c) || isAsciiDigit(c); }
constexpr bool isAsciiHexDigit(char c) { return isAsciiDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
// Blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool isAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr char toAsciiLower(char c) { return isAsciiUpper(c) ? static_cast<char>(c + ('a' - 'A')) : c; }
constexpr char toAsciiUpper(char c) { return isAsciiLower(c) ? static_cast<char>(c - ('a' - 'A')) : c; }

inline std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toAsciiLower(c);
    return out;
}

inline std::string asciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = toAsciiUpper(c);
    return out;
}

constexpr bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (toAsciiLower(a[i]) != toAsciiLower(b[i])) return false;
    }
    return true;
}

constexpr bool startsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace sys
