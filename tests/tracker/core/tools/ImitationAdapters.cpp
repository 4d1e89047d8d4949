// Adapters for the imitation sites of the retrieval program's test: each
// opens its site's login page, posts the user name and reads the balance
// from "Balance: " up to the next "<".

#include <memory>
#include <string>

#include "foundation/StrUtil.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace {

class ImitationSource : public tracker::RLSource {
public:
    ImitationSource(std::string key, std::string site) : m_key(std::move(key)), m_site(std::move(site)) {}

    void update() override {
        doGet(m_site + "/login", 1);
        const std::string page = doPost(m_site + "/account", "user=" + encodeFormValue(m_username));
        if (isInvalidLogin(page, "Unknown member")) return;
        registerBalance(foundation::StrUtil::extract(page, "Balance: ", "<"));
    }
    const tracker::SourceConfig& getSourceConfig() const override {
        return *tracker::RLPreferences::getConfig(m_key);
    }

private:
    std::string m_key;
    std::string m_site;
};

bool add(const std::string& key, const std::string& site) {
    return tracker::SourceConfig::registerSourceClass(
        key, [key, site]() -> std::shared_ptr<tracker::RLSource> { return std::make_shared<ImitationSource>(key, site); });
}

[[maybe_unused]] const bool g_american = add("American", "https://www.aa.com");
[[maybe_unused]] const bool g_delta = add("Delta", "https://www.delta.com");
[[maybe_unused]] const bool g_hilton = add("Hilton", "https://www.hilton.com");

}  // namespace
