// The headless retrieval program with this library's adapters: an install
// folder whose settings hold one account per program, the imitation sites
// of every scenario tagged "retrieve", one run of the program as a user
// starts it, and the balances it leaves in the settings and result pages.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"
#include "tests/tracker/adapters/Scenario.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

namespace {

using namespace rltest;
using tracker::RLPreferences;

TEST(RetrieveTest, RecordsTheBalanceOfEveryProgramFromItsImitationSite) {
    static const std::vector<Scenario> all = loadScenarios(RL_SCENARIO_DIR);
    std::vector<const Scenario*> tagged;
    for (const Scenario& s : all) {
        ASSERT_EQ(s.error, "");
        if (s.hasTag("retrieve")) {
            ASSERT_TRUE(s.balance || s.status) << s.where() << ": a retrieve scenario records a balance or status";
            tagged.push_back(&s);
        }
    }
    ASSERT_GE(tagged.size(), 23u);

    TempWorkDir dir;
    writeFile(dir.file("Roamledger.settings"), "User0=Main User\nOptThreadPoll=20\n");
    tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    RLPreferences::setStatsReporter([](const std::string&, const std::string&, const std::optional<std::string>&,
                                       int) {});
    RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
    for (const Scenario* s : tagged) {
        RLPreferences::setUsername(0, s->key, s->user);
        RLPreferences::setPassword(0, s->key, s->password);
        RLPreferences::setPassword2(0, s->key, s->password2);
    }
    // A switched-off program and a navigation-only one beside them.
    RLPreferences::setUsername(0, "Korean", "KE12345");
    RLPreferences::setUsername(0, "Alamo", "driver");
    RLPreferences::savePrefs();
    RLPreferences::setStatsReporter(nullptr);

    ImitationWeb web;
    serveAll(web, tagged);

    const std::string output = dir.file("run-output.txt");
    const std::string command = std::string(RL_RETRIEVE) + " " + dir.path() + " > " + output + " 2>&1";
    const int raw = std::system(command.c_str());
    const std::string printed = fileExists(output) ? readFile(output) : std::string();
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << printed;
    EXPECT_NE(printed.find("Retrieval done"), std::string::npos) << printed;

    std::map<std::string, std::string> settings;
    tracker::PropertiesPrefPersist::parseProperties(readFile(dir.file("Roamledger.settings")), settings);
    const std::vector<Request> made = web.requests();
    for (const Scenario* s : tagged) {
        // A status keeps the stored balance (none here); the results page
        // shows it.
        EXPECT_EQ(settings["User0" + s->key + "Balance"], s->balance.value_or("")) << s->where();

        // The program's own requests, in the order its scenario expects them
        // (two programs may share a host, never a path).
        std::vector<Request> own;
        for (const Request& r : made) {
            const bool expected = std::any_of(s->expected.begin(), s->expected.end(), [&r](const ExpectedRequest& e) {
                return e.host == r.hostName && e.method == r.method && e.target.matches(r.target);
            });
            if (expected) own.push_back(r);
        }
        ASSERT_EQ(own.size(), s->expected.size()) << s->where();
        for (size_t i = 0; i < own.size(); ++i) {
            EXPECT_EQ(own[i].method, s->expected[i].method) << s->where();
            EXPECT_TRUE(s->expected[i].target.matches(own[i].target)) << s->where() << ": " << own[i].target;
            if (s->expected[i].body) {
                EXPECT_TRUE(s->expected[i].body->matches(own[i].body)) << s->where() << ": " << own[i].body;
            }
        }
    }

    const std::string results = readFile(dir.file("Roamledger.html"));
    for (const Scenario* s : tagged) {
        if (!s->balance) {
            EXPECT_NE(results.find(*statusText(*s->status)), std::string::npos) << s->where();
        }
    }
    EXPECT_NE(results.find("87,654"), std::string::npos) << "the American balance on the results page";
    EXPECT_NE(results.find("Unavailable until future upgrade."), std::string::npos);
}

}  // namespace
