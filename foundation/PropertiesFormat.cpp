#include "foundation/PropertiesFormat.h"

#include <stdexcept>

#include "foundation/StrUtil.h"

namespace foundation {

namespace {

const char* const LINE_END = "\n";
const char* const HEX_DIGITS = "0123456789ABCDEF";

// ---- Reading ----------------------------------------------------------------

bool isWhite(char16_t c) { return c == u' ' || c == u'\t' || c == u'\f'; }

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Resolves the escapes of one key or value.
std::string unescape(const std::u16string& line, size_t begin, size_t end) {
    std::u16string units;
    units.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        char16_t c = line[i];
        if (c != u'\\') {
            units += c;
            continue;
        }
        if (++i >= end) break;  // a lone trailing backslash stands for nothing
        c = line[i];
        switch (c) {
            case u't': units += u'\t'; break;
            case u'n': units += u'\n'; break;
            case u'r': units += u'\r'; break;
            case u'f': units += u'\f'; break;
            case u'u': {
                if (i + 4 >= end) throw std::invalid_argument("Malformed \\uxxxx encoding.");
                int value = 0;
                for (size_t k = 1; k <= 4; ++k) {
                    int h = hexValue(line[i + k]);
                    if (h < 0) throw std::invalid_argument("Malformed \\uxxxx encoding.");
                    value = value * 16 + h;
                }
                units += static_cast<char16_t>(value);
                i += 4;
                break;
            }
            default: units += c; break;
        }
    }
    return StrUtil::utf16ToUtf8(units);
}

// Splits one logical line into key and value and adds them.
void addEntry(const std::u16string& line, std::map<std::string, std::string>& into) {
    size_t limit = line.size();
    size_t keyLen = 0;
    size_t valueStart = limit;
    bool hasSeparator = false;
    bool precedingBackslash = false;
    while (keyLen < limit) {
        char16_t c = line[keyLen];
        if ((c == u'=' || c == u':') && !precedingBackslash) {
            valueStart = keyLen + 1;
            hasSeparator = true;
            break;
        }
        if (isWhite(c) && !precedingBackslash) {
            valueStart = keyLen + 1;
            break;
        }
        precedingBackslash = c == u'\\' ? !precedingBackslash : false;
        ++keyLen;
    }
    while (valueStart < limit) {
        char16_t c = line[valueStart];
        if (!isWhite(c)) {
            if (!hasSeparator && (c == u'=' || c == u':')) hasSeparator = true;
            else break;
        }
        ++valueStart;
    }
    into[unescape(line, 0, keyLen)] = unescape(line, valueStart, limit);
}

// ---- Writing ----------------------------------------------------------------

void appendUnicodeEscape(std::string& out, char16_t c) {
    out += "\\u";
    out += HEX_DIGITS[(c >> 12) & 0xF];
    out += HEX_DIGITS[(c >> 8) & 0xF];
    out += HEX_DIGITS[(c >> 4) & 0xF];
    out += HEX_DIGITS[c & 0xF];
}

std::string escape(const std::string& utf8, bool escapeSpace) {
    std::u16string units = StrUtil::utf8ToUtf16(utf8);
    std::string out;
    out.reserve(units.size() + units.size() / 4);
    for (size_t x = 0; x < units.size(); ++x) {
        char16_t c = units[x];
        if (c > 61 && c < 127) {
            if (c == u'\\') out += "\\\\";
            else out += static_cast<char>(c);
            continue;
        }
        switch (c) {
            case u' ':
                if (x == 0 || escapeSpace) out += '\\';
                out += ' ';
                break;
            case u'\t': out += "\\t"; break;
            case u'\n': out += "\\n"; break;
            case u'\r': out += "\\r"; break;
            case u'\f': out += "\\f"; break;
            case u'=':
            case u':':
            case u'#':
            case u'!':
                out += '\\';
                out += static_cast<char>(c);
                break;
            default:
                if (c < 0x20 || c > 0x7E) appendUnicodeEscape(out, c);
                else out += static_cast<char>(c);
                break;
        }
    }
    return out;
}

// A comment line of the header: characters above 0x7E escaped, a line
// break continued as a further comment line.
std::string commentLine(const std::string& utf8) {
    std::u16string units = StrUtil::utf8ToUtf16(utf8);
    std::string out = "#";
    for (size_t i = 0; i < units.size(); ++i) {
        char16_t c = units[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') ++i;
            out += LINE_END;
            out += '#';
        } else if (c > 0x7E || c < 0x20) {
            appendUnicodeEscape(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    out += LINE_END;
    return out;
}

}  // namespace

void PropertiesFormat::parse(std::string_view latin1, std::map<std::string, std::string>& into) {
    std::u16string line;
    bool startOfLine = true;     // before the first character of a natural line
    bool skipWhite = true;       // dropping leading white space
    bool continued = false;      // this natural line continues a logical one
    bool comment = false;
    bool precedingBackslash = false;
    bool skipLF = false;

    auto endLogicalLine = [&] {
        if (!line.empty()) addEntry(line, into);
        line.clear();
        startOfLine = true;
        skipWhite = true;
        continued = false;
        comment = false;
        precedingBackslash = false;
    };

    for (unsigned char byte : latin1) {
        char16_t c = byte;
        if (skipLF) {
            skipLF = false;
            if (c == u'\n') continue;
        }
        if (skipWhite) {
            if (isWhite(c)) continue;
            if (!continued && (c == u'\r' || c == u'\n')) continue;
            skipWhite = false;
            continued = false;
        }
        if (startOfLine) {
            startOfLine = false;
            if (c == u'#' || c == u'!') {
                comment = true;
                continue;
            }
        }
        if (c != u'\n' && c != u'\r') {
            if (comment) continue;
            line += c;
            precedingBackslash = c == u'\\' ? !precedingBackslash : false;
            continue;
        }
        if (comment || line.empty()) {
            line.clear();
            startOfLine = true;
            skipWhite = true;
            comment = false;
            precedingBackslash = false;
            continue;
        }
        if (precedingBackslash) {
            line.pop_back();
            skipWhite = true;
            continued = true;
            precedingBackslash = false;
            if (c == u'\r') skipLF = true;
            continue;
        }
        endLogicalLine();
    }
    if (comment) return;
    if (precedingBackslash && !line.empty()) line.pop_back();
    endLogicalLine();
}

std::string PropertiesFormat::escapeKey(const std::string& utf8) { return escape(utf8, true); }

std::string PropertiesFormat::escapeValue(const std::string& utf8) { return escape(utf8, false); }

std::string PropertiesFormat::commentLines(const std::string& utf8) { return commentLine(utf8); }

}  // namespace foundation
