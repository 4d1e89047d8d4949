#include "tests/support/TestLocales.h"

#include <clocale>
#include <cstdlib>

namespace rltest {

const std::vector<std::string>& otherLocales() {
    static const std::vector<std::string> names = {"de_DE.UTF-8", "fr_FR.UTF-8", "tr_TR.UTF-8"};
    return names;
}

std::vector<std::string> localesWithC() {
    std::vector<std::string> names = otherLocales();
    names.insert(names.begin(), "C");
    return names;
}

LocaleScope::LocaleScope(const std::string& name) : m_name(name) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    m_previous = previous ? previous : "C";
    m_ok = std::setlocale(LC_ALL, name.c_str()) != nullptr;
}

LocaleScope::~LocaleScope() { std::setlocale(LC_ALL, m_previous.c_str()); }

std::string LocaleScope::problem() const {
    if (m_ok) return "";
    const char* path = std::getenv("LOCPATH");
    return "locale " + m_name + " is not available (LOCPATH=" + (path ? path : "unset") +
           "): run the test through ctest, which builds it";
}

std::string localeEnvironment(const std::string& name) {
    const char* path = std::getenv("LOCPATH");
    return "LANG=" + name + " LC_ALL=" + name + (path ? std::string(" LOCPATH='") + path + "'" : std::string());
}

}  // namespace rltest
