#pragma once
// An http or https address taken apart.

#include <optional>
#include <string>

namespace net {

struct Url {
    std::string scheme;    // "http" or "https", lower case
    std::string host;      // as written (IPv6 literals keep their brackets)
    int port = -1;         // the port written in the address, -1 when none
    std::string path;      // "/" when the address has none
    std::string query;     // without "?"
    std::string fragment;  // without "#"

    int defaultPort() const { return scheme == "https" ? 443 : 80; }
    int effectivePort() const { return port >= 0 ? port : defaultPort(); }
    // The host, with ":port" when a port other than the scheme's default is
    // written (the form of the Host header).
    std::string hostHeader() const;
};

// Parses an absolute http/https address; nothing for anything else.
std::optional<Url> parseUrl(const std::string& address);

}  // namespace net
