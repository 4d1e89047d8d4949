#include "navigator/impl/SiteNavigator.h"

#include "foundation/HostTable.h"
#include "foundation/StrUtil.h"
#include "platform/automation/AutomationException.h"

namespace navigator::impl {

using foundation::HostTable;

std::string SiteNavigator::address(const std::string& pattern) const {
    const std::string role = "Navigator." + m_key;
    std::string text = !pattern.empty() && pattern[0] == '/' ? "{site}" + pattern : pattern;
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find('{', pos);
        size_t close = open == std::string::npos ? std::string::npos : text.find('}', open);
        if (close == std::string::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open - pos);
        const std::string name = text.substr(open + 1, close - open - 1);
        if (name == "site") {
            out += HostTable::get(role);
        } else if (name == "host") {
            const std::string site = HostTable::get(role);
            const size_t scheme = site.find("://");
            out += scheme == std::string::npos ? site : site.substr(scheme + 3);
        } else if (name == "user") {
            out += foundation::StrUtil::encodeFormValue(m_username);
        } else if (name == "password") {
            out += foundation::StrUtil::encodeFormValue(m_password);
        } else {
            out += HostTable::get(role + "." + name);
        }
        pos = close + 1;
    }
    return out;
}

HTMLDocument& SiteNavigator::document() {
    if (!m_doc) throw automation::AutomationException("No page has completed yet");
    return *m_doc;
}

HTMLElementCollection& SiteNavigator::all() {
    if (!m_all) throw automation::AutomationException("No page has completed yet");
    return *m_all;
}

}  // namespace navigator::impl
