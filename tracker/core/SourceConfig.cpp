#include "tracker/core/SourceConfig.h"

#include <map>
#include <mutex>
#include <utility>

#include "foundation/HostTable.h"

namespace tracker {

namespace {

// Built on first use so that adapters may register from their own static
// initialisers, whatever the order of initialisation.
struct SourceRegistry {
    std::mutex lock;
    std::map<std::string, SourceClass> factories;
};

SourceRegistry& registry() {
    static SourceRegistry instance;
    return instance;
}

}  // namespace

SourceConfig::SourceConfig(SourceClass sourceClass, std::string key, std::string display, std::string usernameLabel,
                           std::string passwordLabel, std::string password2Label, std::string flyerTalkForum,
                           std::string itytForum, std::string abbreviation, int minDecimals, int maxDecimals,
                           float normalizeFactor, bool sourcingAllowed, bool navigationAllowed, bool detailsTracked,
                           bool transactionsTracked)
    : m_sourceClass(std::move(sourceClass)),
      m_key(std::move(key)),
      m_display(std::move(display)),
      m_usernameLabel(std::move(usernameLabel)),
      m_passwordLabel(std::move(passwordLabel)),
      m_password2Label(std::move(password2Label)),
      m_flyerTalkForum(std::move(flyerTalkForum)),
      m_itytForum(std::move(itytForum)),
      m_abbreviation(std::move(abbreviation)),
      m_minDecimals(minDecimals),
      m_maxDecimals(maxDecimals),
      m_normalizeFactor(normalizeFactor),
      m_isSourcingAllowed(sourcingAllowed),
      m_isNavigationAllowed(navigationAllowed),
      m_areDetailsTracked(detailsTracked),
      m_areTransactionsTracked(transactionsTracked) {}

SourceClass SourceConfig::getSourceClass() const {
    if (m_sourceClass) return m_sourceClass;
    SourceRegistry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.factories.find(m_key);
    return it == r.factories.end() ? SourceClass() : it->second;
}

std::shared_ptr<RLSource> SourceConfig::createSource() const {
    SourceClass factory = getSourceClass();
    if (!factory) return nullptr;
    return factory();
}

std::string SourceConfig::getFlyerTalkURL() const {
    if (m_flyerTalkForum.empty()) return "";
    return foundation::HostTable::url(FLYERTALK_SITE, FLYERTALK_PATH + m_flyerTalkForum);
}

std::string SourceConfig::getITYTURL() const {
    if (m_itytForum.empty()) return "";
    return foundation::HostTable::url(ITYT_SITE, ITYT_PATH + m_itytForum);
}

bool SourceConfig::registerSourceClass(const std::string& key, SourceClass factory) {
    SourceRegistry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    bool fresh = r.factories.find(key) == r.factories.end();
    r.factories[key] = std::move(factory);
    return fresh;
}

void SourceConfig::unregisterSourceClass(const std::string& key) {
    SourceRegistry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.factories.erase(key);
}

}  // namespace tracker
