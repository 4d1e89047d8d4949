#pragma once
// The cookies of one web client: name to value, nothing else. Domain, path,
// expiry and the secure flag of a Set-Cookie field are dropped, so every
// cookie goes to every host the client talks to, for the client's life.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace foundation {

class CookieJar {
public:
    // Replaces a cookie of the same name (case-sensitive).
    void addCookie(const std::string& name, const std::string& value);
    // "name=value; name=value" in the order the cookies were last set;
    // absent when the jar is empty.
    std::optional<std::string> getCookieString() const;

    std::optional<std::string> getCookie(const std::string& name) const;
    size_t size() const { return m_cookies.size(); }
    bool empty() const { return m_cookies.empty(); }

    // The name and value of one Set-Cookie field: the text before the first
    // "=", and after it up to the first ";". Absent when the part before the
    // first ";" has no "=" or the name is empty: such a field sets nothing.
    static std::optional<std::pair<std::string, std::string>> parseSetCookie(const std::string& field);

private:
    std::vector<std::pair<std::string, std::string>> m_cookies;
};

}  // namespace foundation
