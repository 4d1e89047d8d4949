#include "foundation/Messages.h"

#include <cstdint>

// The catalogue file, compiled in by the build.
extern const char rl_messages_properties[];
extern const unsigned long rl_messages_properties_size;

namespace foundation {

namespace {

using Units = std::u32string;  // one ISO 8859-1 character per element

bool isBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'\f'; }

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int hexValue(char32_t c) {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
    if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
    return -1;
}

// Resolves the escapes of one key or value into UTF-8. "\uXXXX" gives UTF-16
// units, so surrogate pairs are joined; a lone surrogate becomes U+FFFD. A
// malformed "\u" escape is kept as written.
std::string unescape(const Units& s, size_t b, size_t e) {
    std::u16string units;
    std::string out;
    auto flushUnits = [&] {
        for (size_t i = 0; i < units.size(); ++i) {
            char32_t u = units[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
                ++i;
            } else if (u >= 0xD800 && u <= 0xDFFF) {
                appendUtf8(out, 0xFFFD);
            } else {
                appendUtf8(out, u);
            }
        }
        units.clear();
    };
    for (size_t i = b; i < e; ++i) {
        char32_t c = s[i];
        if (c != U'\\' || i + 1 >= e) {
            units += static_cast<char16_t>(c);
            continue;
        }
        char32_t n = s[++i];
        switch (n) {
            case U't': units += u'\t'; break;
            case U'n': units += u'\n'; break;
            case U'r': units += u'\r'; break;
            case U'f': units += u'\f'; break;
            case U'u': {
                int v = 0;
                bool ok = i + 4 < e;
                for (size_t k = 1; ok && k <= 4; ++k) {
                    int h = hexValue(s[i + k]);
                    if (h < 0) ok = false;
                    else v = v * 16 + h;
                }
                if (ok) {
                    units += static_cast<char16_t>(v);
                    i += 4;
                } else {
                    units += u'\\';
                    units += u'u';
                }
                break;
            }
            default: units += static_cast<char16_t>(n); break;
        }
    }
    flushUnits();
    return out;
}

// Splits the text into logical lines: comments and blank lines dropped,
// continuation lines joined with their leading blanks removed.
std::vector<Units> logicalLines(const Units& text) {
    std::vector<Units> lines;
    size_t pos = 0, n = text.size();
    while (pos < n) {
        // Start of a logical line: skip blanks and empty natural lines.
        while (pos < n && (isBlank(text[pos]) || text[pos] == U'\r' || text[pos] == U'\n')) ++pos;
        if (pos >= n) break;
        if (text[pos] == U'#' || text[pos] == U'!') {
            while (pos < n && text[pos] != U'\r' && text[pos] != U'\n') ++pos;
            continue;
        }
        Units line;
        for (;;) {
            size_t end = pos;
            while (end < n && text[end] != U'\r' && text[end] != U'\n') ++end;
            size_t slashes = 0;
            while (end - slashes > pos && text[end - slashes - 1] == U'\\') ++slashes;
            bool continued = slashes % 2 == 1;
            line.append(text, pos, end - pos - (continued ? 1 : 0));
            pos = end;
            if (pos < n && text[pos] == U'\r') ++pos;
            if (pos < n && text[pos] == U'\n') ++pos;
            if (!continued || pos >= n) break;
            while (pos < n && isBlank(text[pos])) ++pos;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

using Catalogue = std::map<std::string, std::string, std::less<>>;

const Catalogue& catalogue() {
    static const Catalogue loaded =
        Messages::parseProperties(std::string_view(rl_messages_properties, rl_messages_properties_size));
    return loaded;
}

}  // namespace

std::map<std::string, std::string, std::less<>> Messages::parseProperties(std::string_view text) {
    Units chars;
    chars.reserve(text.size());
    for (char c : text) chars += static_cast<char32_t>(static_cast<unsigned char>(c));

    Catalogue entries;
    for (const Units& line : logicalLines(chars)) {
        size_t keyEnd = 0, n = line.size();
        bool hasSep = false;
        while (keyEnd < n) {
            char32_t c = line[keyEnd];
            if (c == U'\\') {
                keyEnd += 2;
                continue;
            }
            if (c == U'=' || c == U':') {
                hasSep = true;
                break;
            }
            if (isBlank(c)) break;
            ++keyEnd;
        }
        if (keyEnd > n) keyEnd = n;
        size_t valueStart = keyEnd + (hasSep ? 1 : 0);
        while (valueStart < n) {
            char32_t c = line[valueStart];
            if (isBlank(c)) {
                ++valueStart;
            } else if (!hasSep && (c == U'=' || c == U':')) {
                hasSep = true;
                ++valueStart;
            } else {
                break;
            }
        }
        entries[unescape(line, 0, keyEnd)] = unescape(line, valueStart, n);
    }
    return entries;
}

std::string Messages::get(std::string_view key) {
    const Catalogue& c = catalogue();
    auto it = c.find(key);
    if (it == c.end()) return "!" + std::string(key) + "!";
    return it->second;
}

bool Messages::contains(std::string_view key) {
    const Catalogue& c = catalogue();
    return c.find(key) != c.end();
}

std::vector<std::string> Messages::keys() {
    std::vector<std::string> out;
    for (const auto& entry : catalogue()) out.push_back(entry.first);
    return out;
}

}  // namespace foundation
