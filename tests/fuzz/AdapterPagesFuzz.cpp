// Every adapter's update on any pages: the adapter chosen by the input logs
// in with its scenarios' credentials and gets a page of the input for every
// request, from imitation sites of its scenarios' hosts on the loopback
// address. An update ends, whatever the pages.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/RotatingPages.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"
#include "tests/tracker/adapters/Scenario.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

using tracker::RLPreferences;

namespace {

constexpr int UPDATE_LIMIT_MS = 15000;

struct Program {
    std::string key;
    std::string user;
    std::string password;
    std::string password2;
};

rlfuzz::RotatingPages g_pages;

std::vector<Program> setUp() {
    rlfuzz::enterWorkFolder();
    rltest::writeFile("Roamledger.settings", "User0=Fuzz\nOptNiceLevel=0\n");
    tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
    RLPreferences::setStatsReporter([](const std::string&, const std::string&, const std::optional<std::string>&,
                                       int) {});
    tracker::adapters::AdapterReports::setObserver([](const std::string&, const std::string&, const std::string&) {});
    tracker::adapters::registerAll();

    static rltest::ImitationWeb web;
    static const std::vector<rltest::Scenario> scenarios = rltest::loadScenarios(RL_SCENARIO_DIR);
    std::map<std::string, Program> programs;
    std::set<std::string> hosts;
    for (const rltest::Scenario& s : scenarios) {
        if (!s.error.empty()) continue;
        programs.emplace(s.key, Program{s.key, s.user, s.password, s.password2});
        for (const auto& answer : s.served) hosts.insert(answer.address.host);
    }
    for (const std::string& host : hosts) web.site(host).on("*", "/*", g_pages.handler());
    rlfuzz::routeAllToLoopback(web.httpPort());
    std::vector<Program> out;
    for (const auto& [key, program] : programs) {
        if (RLPreferences::getConfig(key)) out.push_back(program);
    }
    if (out.empty()) rlfuzz::fail("no adapter with scenarios");
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<Program> programs = setUp();
    rlfuzz::Input in(data, size);
    const Program& p = programs[static_cast<size_t>(in.numberIn(0, static_cast<int>(programs.size()) - 1))];
    g_pages.take(in, 8);

    RLPreferences::setUsername(0, p.key, p.user);
    RLPreferences::setPassword(0, p.key, p.password);
    RLPreferences::setPassword2(0, p.key, p.password2);
    std::shared_ptr<tracker::RLSource> source = RLPreferences::getConfig(p.key)->createSource();
    rlfuzz::check(source != nullptr, "no adapter for " + p.key);
    source->setUser(0);
    source->init();
    if (!source->start()) rlfuzz::fail("the update of " + p.key + " did not start");
    if (!source->join(UPDATE_LIMIT_MS)) {
        source->requestStop();
        source->join(5000);
        rlfuzz::fail("the update of " + p.key + " did not end");
    }
    return 0;
}
