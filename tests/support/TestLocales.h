#pragma once
// The C library's locale set for real, as Qt's application object sets it
// from LANG, so that a test sees what a German, French or Turkish desktop
// sees. ctest builds these locales into a folder of the build (LOCPATH).

#include <string>
#include <vector>

namespace rltest {

// The locales tests compare with C: decimal commas, "." as the German
// grouping, day and month names of their own, and the Turkish dotless i.
const std::vector<std::string>& otherLocales();
// "C" and then the other locales.
std::vector<std::string> localesWithC();

// Sets every category to the locale for the object's life, then restores
// the previous one.
class LocaleScope {
public:
    explicit LocaleScope(const std::string& name);
    ~LocaleScope();
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

    // Whether the locale could be set; problem() says why not.
    bool ok() const { return m_ok; }
    std::string problem() const;

private:
    std::string m_name;
    std::string m_previous;
    bool m_ok = false;
};

// The environment a child process needs to start under the locale, for a
// command line ("LANG=... LC_ALL=... LOCPATH=...").
std::string localeEnvironment(const std::string& name);

}  // namespace rltest
