#pragma once
// Character (code point) positions in UTF-8 text, as text widgets count them.

#include <string>

namespace tk::utf8 {

inline int length(const std::string& text) {
    int count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++count;
    }
    return count;
}

// Byte offset of a character position (clamped to the end).
inline size_t offset(const std::string& text, int position) {
    if (position <= 0) return 0;
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == position) return i;
            ++count;
        }
    }
    return text.size();
}

inline std::string prefix(const std::string& text, int characters) { return text.substr(0, offset(text, characters)); }

inline std::string slice(const std::string& text, int start, int end) {
    size_t from = offset(text, start);
    size_t to = offset(text, end);
    return to > from ? text.substr(from, to - from) : std::string();
}

// The characters of a text, each as its own UTF-8 string.
inline std::string characterAt(const std::string& text, size_t& byte) {
    size_t start = byte++;
    while (byte < text.size() && (static_cast<unsigned char>(text[byte]) & 0xC0) == 0x80) ++byte;
    return text.substr(start, byte - start);
}

}  // namespace tk::utf8
