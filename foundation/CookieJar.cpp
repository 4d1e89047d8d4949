#include "foundation/CookieJar.h"

#include <algorithm>

namespace foundation {

void CookieJar::addCookie(const std::string& name, const std::string& value) {
    auto found = std::find_if(m_cookies.begin(), m_cookies.end(), [&](const auto& c) { return c.first == name; });
    if (found != m_cookies.end()) m_cookies.erase(found);
    m_cookies.emplace_back(name, value);
}

std::optional<std::string> CookieJar::getCookieString() const {
    if (m_cookies.empty()) return std::nullopt;
    std::string out;
    for (const auto& [name, value] : m_cookies) {
        if (!out.empty()) out += "; ";
        out += name;
        out += '=';
        out += value;
    }
    return out;
}

std::optional<std::string> CookieJar::getCookie(const std::string& name) const {
    for (const auto& [n, v] : m_cookies) {
        if (n == name) return v;
    }
    return std::nullopt;
}

std::optional<std::pair<std::string, std::string>> CookieJar::parseSetCookie(const std::string& field) {
    // Only the name=value pair before the first ";" counts; an "=" inside
    // an attribute ("novalue; path=/") makes no cookie.
    std::string pair = field.substr(0, field.find(';'));
    size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) return std::nullopt;
    return std::make_pair(pair.substr(0, eq), pair.substr(eq + 1));
}

}  // namespace foundation
