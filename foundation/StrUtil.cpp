#include "foundation/StrUtil.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "foundation/SecretMask.h"
#include "platform/system/Ascii.h"
#include "platform/system/NumberText.h"

namespace foundation {

namespace {

// Decimal-digit runs of the basic multilingual plane; each run is contiguous.
constexpr char32_t DIGIT_RUNS[][2] = {
    {0x30, 0x39},     {0x660, 0x669},   {0x6F0, 0x6F9},   {0x7C0, 0x7C9},   {0x966, 0x96F},   {0x9E6, 0x9EF},
    {0xA66, 0xA6F},   {0xAE6, 0xAEF},   {0xB66, 0xB6F},   {0xBE6, 0xBEF},   {0xC66, 0xC6F},   {0xCE6, 0xCEF},
    {0xD66, 0xD6F},   {0xDE6, 0xDEF},   {0xE50, 0xE59},   {0xED0, 0xED9},   {0xF20, 0xF29},   {0x1040, 0x1049},
    {0x1090, 0x1099}, {0x17E0, 0x17E9}, {0x1810, 0x1819}, {0x1946, 0x194F}, {0x19D0, 0x19D9}, {0x1A80, 0x1A89},
    {0x1A90, 0x1A99}, {0x1B50, 0x1B59}, {0x1BB0, 0x1BB9}, {0x1C40, 0x1C49}, {0x1C50, 0x1C59}, {0xA620, 0xA629},
    {0xA8D0, 0xA8D9}, {0xA900, 0xA909}, {0xA9D0, 0xA9D9}, {0xA9F0, 0xA9F9}, {0xAA50, 0xAA59}, {0xABF0, 0xABF9},
    {0xFF10, 0xFF19},
};

constexpr const char* BASE64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool isTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Keeps the characters for which keep() holds, in order.
template <typename Keep>
std::string filterChars(StrUtil::OptText text, Keep keep) {
    std::string out;
    if (!text) return out;
    std::string_view s = *text;
    size_t pos = 0, len = 0;
    while (pos < s.size()) {
        char32_t c = StrUtil::charAt(s, pos, len);
        if (keep(c)) out.append(s.substr(pos, len));
        pos += len;
    }
    return out;
}

std::string removeCrLf(std::string_view text) { return StrUtil::replace(text, "\r\n", ""); }

}  // namespace

char32_t StrUtil::charAt(std::string_view text, size_t pos, size_t& length) {
    if (pos >= text.size()) {
        length = 0;
        return 0;
    }
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b0 = byte(pos);
    length = 1;
    if (b0 < 0x80) return b0;
    size_t n;
    char32_t cp, min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return b0;
    }
    if (pos + n > text.size()) return b0;
    for (size_t i = 1; i < n; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return b0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return b0;
    length = n;
    return cp;
}

bool StrUtil::isDecimalDigit(char32_t c) {
    for (const auto& run : DIGIT_RUNS) {
        if (c < run[0]) return false;
        if (c <= run[1]) return true;
    }
    return false;
}

std::string StrUtil::extract(std::string_view text, OptText start, std::string_view end, int fromIndex) {
    size_t from = 0;
    if (start) {
        size_t at = fromIndex < 0 ? 0 : static_cast<size_t>(fromIndex);
        if (at > text.size()) return "";
        size_t s = text.find(*start, at);
        if (s == std::string_view::npos) return "";
        from = s + start->size();
    }
    size_t e = text.find(end, from);
    if (e == std::string_view::npos) return "";
    return std::string(text.substr(from, e - from));
}

std::string StrUtil::prefix(std::string_view text, std::string_view marker) {
    size_t at = text.find(marker);
    if (at == std::string_view::npos) {
        throw std::out_of_range("StrUtil::prefix: marker \"" + std::string(marker) + "\" not found");
    }
    return std::string(text.substr(0, at));
}

std::string StrUtil::suffix(std::string_view text, std::string_view marker) {
    size_t at = marker.empty() ? std::string_view::npos : text.rfind(marker);
    if (at == std::string_view::npos) return std::string(text);
    size_t len = 0;
    charAt(text, at, len);
    return std::string(text.substr(at + len));
}

bool StrUtil::contains(OptText text, std::string_view part) {
    return text && text->find(part) != std::string_view::npos;
}

bool StrUtil::contains(OptText text1, OptText text2, std::string_view part) {
    return contains(text1, part) || contains(text2, part);
}

bool StrUtil::startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return sys::startsWithIgnoreAsciiCase(text, prefix);
}

int StrUtil::countMatches(OptText text, OptText part) {
    if (!text || !part || text->empty() || part->empty()) return 0;
    int count = 0;
    size_t pos = 0;
    while ((pos = text->find(*part, pos)) != std::string_view::npos) {
        ++count;
        pos += part->size();
    }
    return count;
}

std::string StrUtil::replace(std::string_view text, std::string_view search, std::string_view replacement) {
    if (search.empty()) return std::string(text);
    size_t at = text.find(search);
    if (at == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (at != std::string_view::npos) {
        out.append(text.substr(pos, at - pos));
        out.append(replacement);
        pos = at + search.size();
        at = text.find(search, pos);
    }
    out.append(text.substr(pos));
    return out;
}

std::string StrUtil::replaceAnyCharWithString(std::string_view text, std::string_view chars,
                                              std::string_view replacement) {
    std::string out(text);
    size_t pos = 0, len = 0;
    while (pos < chars.size()) {
        charAt(chars, pos, len);
        out = replace(out, chars.substr(pos, len), replacement);
        pos += len;
    }
    return out;
}

std::string StrUtil::replacePeriodsWithCommas(std::string_view text) { return replace(text, ".", ","); }

std::string StrUtil::trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && isTrimmed(text[b])) ++b;
    while (e > b && isTrimmed(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string StrUtil::cleanSpaces(std::string_view text) { return trim(replace(text, "&nbsp;", " ")); }

std::string StrUtil::replaceGremlins(std::string_view text) {
    static constexpr std::string_view TABLE[][2] = {
        {"/", "%2F"}, {"|", "%7C"}, {":", "%3A"}, {"=", "%3D"},
        {"+", "%2B"}, {"~", "%7E"}, {",", "%2C"}, {"@", "%40"},
    };
    std::string out(text);
    for (const auto& pair : TABLE) out = replace(out, pair[0], pair[1]);
    return out;
}

std::string StrUtil::safetyJSEscape(std::string_view text) {
    std::string out = replace(text, "'", "\\'");
    out = replace(out, "&#39;", "\\'");
    out = replace(out, "\"", "\\'");
    return replace(out, "&#34;", "\\'");
}

std::string StrUtil::getNumericOnlyPortion(OptText text) {
    return filterChars(text, [](char32_t c) { return isDecimalDigit(c); });
}

std::string StrUtil::getNumericAndEtcOnlyPortion(OptText text) {
    return filterChars(text, [](char32_t c) { return c == U'.' || c == U'-' || isDecimalDigit(c); });
}

bool StrUtil::isNumeric(OptText text, bool allowCommas) {
    if (!text || text->empty()) return false;
    size_t pos = 0, len = 0;
    while (pos < text->size()) {
        char32_t c = charAt(*text, pos, len);
        if (!isDecimalDigit(c) && !(allowCommas && c == U',')) return false;
        pos += len;
    }
    return true;
}

std::optional<int32_t> StrUtil::parseInt(std::string_view text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // from_chars takes a "-" but no "+".
    if (first != last && *first == '+') ++first;
    if (first == last || *first < '0' || *first > '9') {
        if (first == last || *first != '-' || first != text.data()) return std::nullopt;
    }
    int32_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last) return std::nullopt;
    return value;
}

std::string StrUtil::cleanFloatToString(float value) {
    // Truncate toward zero, saturate at the int range, NaN as 0. The check is
    // made in double so that 2^31 is not mistaken for INT_MAX.
    double v = value;
    int whole = 0;
    if (!std::isnan(v)) {
        if (v >= static_cast<double>(INT_MAX)) whole = INT_MAX;
        else if (v <= static_cast<double>(INT_MIN)) whole = INT_MIN;
        else whole = static_cast<int>(v);
    }
    if (static_cast<double>(whole) == v) return std::to_string(whole);
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";

    // Shortest round-trip digits, then laid out as plain or E notation.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string sci(buf, res.ptr);
    std::string out;
    size_t i = 0;
    if (sci[i] == '-') {
        out += '-';
        ++i;
    }
    size_t ePos = sci.find('e');
    std::string digits;
    for (size_t k = i; k < ePos; ++k) {
        if (sci[k] != '.') digits += sci[k];
    }
    int exp = sys::parseNumber<int>(std::string_view(sci).substr(ePos + 1)).value_or(0);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    if (exp >= -3 && exp < 7) {
        if (exp >= 0) {
            size_t intLen = static_cast<size_t>(exp) + 1;
            std::string intPart = digits.substr(0, std::min(intLen, digits.size()));
            intPart.append(intLen > digits.size() ? intLen - digits.size() : 0, '0');
            std::string frac = intLen < digits.size() ? digits.substr(intLen) : "0";
            out += intPart + "." + frac;
        } else {
            out += "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
        }
    } else {
        out += digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "E" + std::to_string(exp);
    }
    return out;
}

std::string StrUtil::base64encode(const std::vector<unsigned char>& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4 + data.size() / 57 * 2);
    const size_t GROUP = 57;
    for (size_t g = 0; g < data.size(); g += GROUP) {
        size_t end = std::min(g + GROUP, data.size());
        for (size_t i = g; i < end; i += 3) {
            unsigned b0 = data[i];
            unsigned b1 = i + 1 < end ? data[i + 1] : 0;
            unsigned b2 = i + 2 < end ? data[i + 2] : 0;
            out += BASE64[b0 >> 2];
            out += BASE64[((b0 & 0x03) << 4) | (b1 >> 4)];
            out += i + 1 < end ? BASE64[((b1 & 0x0F) << 2) | (b2 >> 6)] : '=';
            out += i + 2 < end ? BASE64[b2 & 0x3F] : '=';
        }
        if (end - g == GROUP) out += "\r\n";
    }
    return out;
}

std::string StrUtil::base64encode(std::string_view text) {
    return base64encode(std::vector<unsigned char>(text.begin(), text.end()));
}

std::string StrUtil::percentDecode(std::string_view text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string StrUtil::escapeHTML(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string StrUtil::encodeFormValue(std::string_view value) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    size_t pos = 0;
    while (pos < value.size()) {
        size_t length = 0;
        const char32_t c = charAt(value, pos, length);
        if (length == 0) break;
        const bool special = c == U'&' || c == U'=' || c == U'+' || c == U'%' || c == U'#' || c == U' ';
        if (special || c < 0x20 || c > 0x7E) {
            const unsigned low = static_cast<unsigned>(c) & 0xFFu;
            out += '%';
            out += hex[low >> 4];
            out += hex[low & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
        pos += length;
    }
    return out;
}

std::string StrUtil::maskSecrets(std::string_view text, const std::vector<std::string>& secrets) {
    return SecretMask::mask(text, secrets);
}

void StrUtil::addStringToList(std::vector<std::string>& list, std::string_view text, bool removeLineBreaks) {
    list.push_back(removeLineBreaks ? removeCrLf(text) : std::string(text));
}

std::vector<std::string> StrUtil::parseOutHTMLTags(std::string_view html, bool removeLineBreaks) {
    std::vector<std::string> list;
    list.reserve(10);
    size_t firstLt = html.find('<');
    if (firstLt == std::string_view::npos) return list;
    std::string lead = trim(html.substr(0, firstLt));
    if (!lead.empty()) addStringToList(list, lead, removeLineBreaks);

    size_t pos = 0;
    for (;;) {
        size_t gt = html.find('>', pos);
        if (gt == std::string_view::npos) return list;
        size_t lt = html.find('<', gt + 1);
        if (lt == std::string_view::npos) {
            std::string rest = trim(html.substr(gt + 1));
            if (!rest.empty()) addStringToList(list, rest, removeLineBreaks);
            return list;
        }
        std::string piece = trim(html.substr(gt + 1, lt - gt - 1));
        if (!ignoreText(piece)) addStringToList(list, piece, removeLineBreaks);
        pos = lt + 1;
        if (pos >= html.size()) return list;
    }
}

void StrUtil::appendUtf8(std::string& out, char32_t cp) {
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

std::string StrUtil::utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
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
    return out;
}

std::u16string StrUtil::utf8ToUtf16(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 0;
        char32_t cp = charAt(text, pos, length);
        if (length == 0) break;
        pos += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (cp >> 10));
            units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            units += static_cast<char16_t>(cp);
        }
    }
    return units;
}

}  // namespace foundation
