#include "navigator/impl/Sites.h"

#include <map>
#include <stdexcept>

#include "foundation/HostTable.h"
#include "navigator/CarlsonNavigator.h"
#include "navigator/LoyaltyGateNavigator.h"
#include "navigator/impl/ClickRewards.h"
#include "navigator/impl/DinersClub.h"
#include "navigator/impl/Ebay.h"
#include "navigator/impl/Japan.h"
#include "navigator/impl/Lufthansa.h"
#include "navigator/impl/SAS.h"
#include "navigator/impl/SiteTable.h"
#include "navigator/impl/TableNavigator.h"

namespace navigator::impl {

namespace {

class CarlsonBrand : public CarlsonNavigator {
public:
    explicit CarlsonBrand(std::string domainWord) : m_domainWord(std::move(domainWord)) {}
    std::string getDomainName() override { return m_domainWord; }

private:
    std::string m_domainWord;
};

class LoyaltyGateClub : public LoyaltyGateNavigator {
public:
    LoyaltyGateClub(std::string key, std::string path) : m_key(std::move(key)), m_path(std::move(path)) {}
    std::string getInitialURL() override { return foundation::HostTable::url("Navigator." + m_key, m_path); }

private:
    std::string m_key;
    std::string m_path;
};

template <typename T>
NavigatorClass coded(const std::string& name) {
    return NavigatorClass{PACKAGE + name, [] { return std::unique_ptr<RLNavigator>(new T()); }};
}

std::map<std::string, NavigatorClass> makeClasses() {
    std::map<std::string, NavigatorClass> classes;
    for (const SiteRow& row : siteTable()) {
        const SiteRow* data = &row;
        classes[row.key] = NavigatorClass{PACKAGE + row.key, [data] {
                                              return std::unique_ptr<RLNavigator>(new TableNavigator(*data));
                                          }};
    }
    for (const auto& [key, word] : carlsonBrands()) {
        std::string domainWord = word;
        classes[key] = NavigatorClass{PACKAGE + key, [domainWord] {
                                          return std::unique_ptr<RLNavigator>(new CarlsonBrand(domainWord));
                                      }};
    }
    for (const auto& [key, path] : loyaltyGateClubs()) {
        std::string club = key, address = path;
        classes[key] = NavigatorClass{PACKAGE + key, [club, address] {
                                          return std::unique_ptr<RLNavigator>(new LoyaltyGateClub(club, address));
                                      }};
    }
    classes["ClickRewards"] = coded<ClickRewards>("ClickRewards");
    classes["DinersClub"] = coded<DinersClub>("DinersClub");
    classes["Ebay"] = coded<Ebay>("Ebay");
    classes["Japan"] = coded<Japan>("Japan");
    classes["Lufthansa"] = coded<Lufthansa>("Lufthansa");
    classes["SAS"] = coded<SAS>("SAS");
    return classes;
}

const std::map<std::string, NavigatorClass>& classes() {
    static const std::map<std::string, NavigatorClass> all = makeClasses();
    return all;
}

}  // namespace

const NavigatorClass& navigatorClass(const std::string& simpleName) {
    auto found = classes().find(simpleName);
    if (found == classes().end()) throw std::out_of_range("No navigator class " + simpleName);
    return found->second;
}

std::vector<std::string> navigatorClassNames() {
    std::vector<std::string> names;
    for (const auto& [name, navigatorClass] : classes()) names.push_back(name);
    return names;
}

}  // namespace navigator::impl
