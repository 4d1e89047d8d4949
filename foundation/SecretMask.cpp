#include "foundation/SecretMask.h"

#include <algorithm>
#include <set>
#include <utility>

#include "foundation/StrUtil.h"
#include "platform/system/Ascii.h"

namespace foundation {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string utf8Of(char32_t cp) {
    std::string out;
    if (cp < 0x110000) StrUtil::appendUtf8(out, cp);
    return out;
}

// The character reference at text[at] ("&amp;", "&#64;", "&#x40;"): its
// code point and length; length 0 when there is none.
std::pair<char32_t, size_t> reference(std::string_view text, size_t at) {
    const size_t semicolon = text.find(';', at);
    if (semicolon == std::string_view::npos || semicolon - at > 10 || semicolon == at + 1) return {0, 0};
    const std::string_view name = text.substr(at + 1, semicolon - at - 1);
    const size_t length = semicolon - at + 1;
    static const std::pair<std::string_view, char32_t> named[] = {
        {"amp", U'&'}, {"lt", U'<'}, {"gt", U'>'}, {"quot", U'"'}, {"apos", U'\''}, {"nbsp", 0xA0}};
    for (const auto& [entity, cp] : named) {
        if (name == entity) return {cp, length};
    }
    if (name[0] != '#' || name.size() < 2) return {0, 0};
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return {0, 0};
    char32_t cp = 0;
    for (char c : digits) {
        const int v = hex ? hexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (v < 0) return {0, 0};
        cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(v);
        if (cp >= 0x110000) return {0, 0};
    }
    return {cp, length};
}

// Where a written form of the secret's bytes that starts at text[start]
// ends; npos when none starts there. Each byte of the secret may be
// written as itself, as "%" and two hexadecimal digits, as "+" for a blank
// or, with the bytes that follow it, as a character reference. The longest
// form wins.
size_t matchAt(std::string_view text, size_t start, std::string_view secret, bool latin1) {
    std::vector<std::pair<size_t, size_t>> pending{{start, 0}};  // text position, secret bytes matched
    std::set<std::pair<size_t, size_t>> seen;
    size_t end = std::string_view::npos;
    while (!pending.empty()) {
        const auto [q, i] = pending.back();
        pending.pop_back();
        if (!seen.insert({q, i}).second) continue;
        if (i == secret.size()) {
            if (end == std::string_view::npos || q > end) end = q;
            continue;
        }
        if (q >= text.size()) continue;
        const char wanted = secret[i];
        const char c = text[q];
        if (c == wanted) pending.push_back({q + 1, i + 1});
        if (c == '+' && wanted == ' ') pending.push_back({q + 1, i + 1});
        if (c == '%' && q + 2 < text.size()) {
            const int hi = hexValue(text[q + 1]), lo = hexValue(text[q + 2]);
            if (hi >= 0 && lo >= 0 && static_cast<char>(hi * 16 + lo) == wanted) pending.push_back({q + 3, i + 1});
        }
        if (c == '&') {
            const auto [cp, length] = reference(text, q);
            if (length > 0) {
                const std::string bytes = latin1 && cp < 0x100 ? std::string(1, static_cast<char>(cp)) : utf8Of(cp);
                if (!bytes.empty() && secret.substr(i, bytes.size()) == bytes) {
                    pending.push_back({q + length, i + bytes.size()});
                }
            }
        }
    }
    return end;
}

// The secret's characters as their low 8 bits, as single-byte pages and
// our own form encoding write them; empty when that is the UTF-8 text.
std::string latin1Of(std::string_view secret) {
    std::string out;
    bool differs = false;
    size_t pos = 0;
    while (pos < secret.size()) {
        const unsigned char b = static_cast<unsigned char>(secret[pos]);
        size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
        if (pos + length > secret.size()) length = 1;
        bool valid = true;
        for (size_t k = 1; k < length; ++k) valid = valid && (static_cast<unsigned char>(secret[pos + k]) >> 6) == 0x2;
        if (!valid) length = 1;
        char32_t cp = length == 1 ? b : b & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(secret[pos + k]) & 0x3F);
        if (length > 1) differs = true;
        out += static_cast<char>(cp & 0xFF);
        pos += length;
    }
    return differs ? out : std::string();
}

std::string maskValue(std::string_view text, std::string_view secret, bool latin1) {
    std::string out;
    out.reserve(text.size());
    size_t p = 0;
    while (p < text.size()) {
        const char c = text[p];
        if (c != secret[0] && c != '%' && c != '+' && c != '&') {
            out += text[p++];
            continue;
        }
        const size_t end = matchAt(text, p, secret, latin1);
        if (end != std::string_view::npos && end > p) {
            out += SecretMask::MASK;
            p = end;
        } else {
            out += text[p++];
        }
    }
    return out;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '-' || c == '[' || c == ']' || c == '$' || c == ':';
}

// A field's value runs to its end: "&", a line end or the end of the text.
size_t valueEndFrom(std::string_view text, size_t start) {
    const size_t end = text.find_first_of("&\r\n", start);
    return end == std::string_view::npos ? text.size() : end;
}

// Every "name=value" whose name marks a password gets MASK as its value.
std::string maskPasswordFields(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t copied = 0;
    size_t eq = text.find('=');
    while (eq != std::string_view::npos) {
        size_t nameStart = eq;
        while (nameStart > 0 && isNameChar(text[nameStart - 1])) --nameStart;
        size_t next = eq + 1;
        if (nameStart < eq && SecretMask::isPasswordFieldName(text.substr(nameStart, eq - nameStart))) {
            const size_t valueEnd = valueEndFrom(text, eq + 1);
            const std::string_view value = text.substr(eq + 1, valueEnd - eq - 1);
            if (!value.empty() && value != SecretMask::MASK) {
                out.append(text.substr(copied, eq + 1 - copied));
                out += SecretMask::MASK;
                copied = valueEnd;
            }
            next = valueEnd;
        }
        eq = text.find('=', next);
    }
    out.append(text.substr(copied));
    return out;
}

}  // namespace

bool SecretMask::isPasswordFieldName(std::string_view name) {
    const std::string lowered = sys::asciiLower(name);
    for (const char* word : {"pass", "pwd", "pswd", "secret"}) {
        if (lowered.find(word) != std::string::npos) return true;
    }
    for (size_t at = lowered.find("pin"); at != std::string::npos; at = lowered.find("pin", at + 1)) {
        if (at + 3 == name.size() || !(name[at + 3] >= 'a' && name[at + 3] <= 'z')) return true;
    }
    return false;
}

std::string SecretMask::mask(std::string_view text, const std::vector<std::string>& secrets) {
    std::string out(text);
    for (const std::string& secret : secrets) {
        if (secret.empty()) continue;
        out = maskValue(out, secret, false);
        const std::string narrow = latin1Of(secret);
        if (!narrow.empty()) out = maskValue(out, narrow, true);
    }
    return maskPasswordFields(out);
}

}  // namespace foundation
