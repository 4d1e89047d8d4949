#include "platform/net/Url.h"

#include <string_view>

#include "platform/system/Ascii.h"

namespace net {

namespace {

bool badHostCharacter(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u <= ' ' || c == '\\' || c == '"' || c == '<' || c == '>' || c == '^' || c == '`' || c == '{' ||
           c == '|' || c == '}' || u == 0x7F;
}

}  // namespace

std::string Url::hostHeader() const {
    if (port >= 0 && port != defaultPort()) return host + ":" + std::to_string(port);
    return host;
}

std::optional<Url> parseUrl(const std::string& address) {
    Url url;
    size_t pos;
    if (sys::startsWithIgnoreAsciiCase(address, "http://")) {
        url.scheme = "http";
        pos = 7;
    } else if (sys::startsWithIgnoreAsciiCase(address, "https://")) {
        url.scheme = "https";
        pos = 8;
    } else {
        return std::nullopt;
    }
    const std::string_view text(address);
    size_t authorityEnd = pos;
    while (authorityEnd < text.size() && text[authorityEnd] != '/' && text[authorityEnd] != '?' &&
           text[authorityEnd] != '#') {
        ++authorityEnd;
    }
    std::string_view authority = text.substr(pos, authorityEnd - pos);
    // Credentials in the address are no part of the host.
    size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);

    std::string_view host;
    std::string_view portText;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = authority.substr(0, close + 1);
        std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return std::nullopt;
            portText = rest.substr(1);
        }
    } else {
        size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
    }
    if (host.empty() || host.size() > 253) return std::nullopt;
    for (char c : host) {
        if (badHostCharacter(c)) return std::nullopt;
    }
    url.host.assign(host);
    if (!portText.empty()) {
        if (portText.size() > 5) return std::nullopt;
        int port = 0;
        for (char c : portText) {
            if (c < '0' || c > '9') return std::nullopt;
            port = port * 10 + (c - '0');
        }
        if (port > 65535) return std::nullopt;
        url.port = port;
    }

    std::string_view rest = text.substr(authorityEnd);
    size_t hash = rest.find('#');
    if (hash != std::string_view::npos) {
        url.fragment.assign(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    size_t question = rest.find('?');
    if (question != std::string_view::npos) {
        url.query.assign(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    if (rest.empty()) {
        url.path = "/";
    } else {
        url.path.assign(rest);
    }
    return url;
}

}  // namespace net
