// Runs every adapter scenario of tests/tracker/adapters/scenarios/ through
// the real adapter, the real web client and libcurl, against an imitation of
// the program's site, each scenario a test case of its own
// ("Adapters/ScenarioTest.Runs/American_3_invalid_password"). The format of
// the scenario files is described in Scenario.h; adding an adapter's
// scenarios needs no code here.
//
// For one scenario: a fresh install folder with preferences and user 0, the
// scenario's account, the imitation site as scripted, the log at verbose
// level and every error report caught; then the adapter runs on its own
// thread as the engine would start it, and the requests it made and what it
// recorded are compared with the scenario.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempWorkDir.h"
#include "tests/tracker/adapters/Scenario.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"

namespace {

using namespace rltest;
using tracker::RLPreferences;

constexpr int RUN_LIMIT_MS = 30000;

const char* const DETAILS_NOT_TRACKED = "<tr class=d><td colspan=2>&nbsp;Details Are Not Tracked For This Program</td></tr>";
const char* const ACTIVITY_NOT_TRACKED = "<tr class=d><td>&nbsp;Activity Is Not Tracked For This Program</td></tr>";
const char* const NO_RECENT_ACTIVITY = "<tr class=d><td>&nbsp;No Recent Activity</td></tr>";

// Every scenario whose requests hold click positions runs again twice, with
// the random source fixed at the least and at the greatest value, so that
// both ends of every bound are checked.
const std::vector<Scenario>& allScenarios() {
    static const std::vector<Scenario> scenarios = [] {
        std::vector<Scenario> loaded = loadScenarios(RL_SCENARIO_DIR);
        std::vector<Scenario> all;
        for (const Scenario& s : loaded) {
            all.push_back(s);
            const bool clicks = std::any_of(s.expected.begin(), s.expected.end(), [](const ExpectedRequest& e) {
                return e.target.hasClickRange() || (e.body && e.body->hasClickRange());
            });
            if (!clicks || s.requestShapeOnly || s.requestsUnchecked) continue;
            for (int end : {-1, 1}) {
                all.push_back(s);
                all.back().clickEnd = end;
            }
        }
        return all;
    }();
    return scenarios;
}

std::vector<const Scenario*> scenarioList() {
    std::vector<const Scenario*> out;
    for (const Scenario& s : allScenarios()) out.push_back(&s);
    return out;
}

// Stored details and activity are kept ready for a script string; read back
// as the adapter built them (quotes of either kind read as ').
std::string unfold(const std::string& stored) {
    std::string out;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\\' && i + 1 < stored.size()) {
            const char c = stored[++i];
            if (c == 'r') {
                out += '\r';
            } else if (c == 'n') {
                out += '\n';
            } else {
                out += c;
            }
        } else {
            out += stored[i];
        }
    }
    return out;
}

// An expected text written as the adapter builds it, with its quotes as
// they read back from storage.
Pattern quotesAsStored(const Pattern& expected) {
    std::string source = expected.source();
    std::replace(source.begin(), source.end(), '"', '\'');
    return Pattern(source);
}

std::string describe(const Request& r) {
    std::string line = r.method + " " + r.url();
    if (!r.body.empty()) line += "\n      body: " + r.body;
    if (auto cookie = r.header("Cookie")) line += "\n      cookies: " + *cookie;
    return line;
}

std::string describeAll(const std::vector<Request>& requests) {
    std::string out = "requests made:";
    if (requests.empty()) out += " none";
    for (size_t i = 0; i < requests.size(); ++i) out += "\n  " + std::to_string(i + 1) + ". " + describe(requests[i]);
    return out;
}

void checkRequests(const Scenario& s, const std::vector<Request>& made) {
    const std::string all = describeAll(made);
    const size_t n = std::min(made.size(), s.expected.size());
    for (size_t i = 0; i < n; ++i) {
        const ExpectedRequest& e = s.expected[i];
        const Request& r = made[i];
        const std::string at = s.file + ":" + std::to_string(e.line) + " (request " + std::to_string(i + 1) + ")";
        EXPECT_EQ(r.method, e.method) << at << "\n" << all;
        EXPECT_EQ(r.tls, e.scheme == "https") << at << ": scheme\n" << all;
        EXPECT_EQ(r.hostName, e.host) << at << "\n" << all;
        if (s.requestShapeOnly) continue;
        EXPECT_TRUE(e.target.matches(r.target))
            << at << ": target\n  expected " << e.target.source() << "\n  made     " << r.target;
        if (e.body) {
            EXPECT_TRUE(e.body->matches(r.body))
                << at << ": body\n  expected " << e.body->source() << "\n  made     " << r.body;
        }
        for (const auto& [name, value] : e.cookies) {
            EXPECT_EQ(r.cookie(name).value_or("<no such cookie>"), value) << at << ": cookie " << name << "\n" << all;
        }
        if (e.noCookies) {
            EXPECT_FALSE(r.header("Cookie").has_value()) << at << ": cookies sent\n" << all;
        }
        if (e.afterMs > 0 && i > 0) {
            EXPECT_GE(r.receivedAtMs - made[i - 1].receivedAtMs, e.afterMs) << at << ": sent too soon\n" << all;
        }
    }
    EXPECT_EQ(made.size(), s.expected.size()) << s.where() << ": number of requests\n" << all;
}

void checkStored(const std::string& what, const Scenario& s, const StoredCheck& check,
                 const std::optional<std::string>& before, const std::optional<std::string>& after,
                 const char* notTrackedRow, bool tracked) {
    const std::string at = s.where() + ": " + what;
    const std::string stored = after.value_or("<absent>");
    StoredCheck::Kind kind = check.kind;
    if (kind == StoredCheck::StatusOnly) kind = tracked ? StoredCheck::Untouched : StoredCheck::NotTracked;
    switch (kind) {
        case StoredCheck::Unchecked: break;
        case StoredCheck::Exact:
            EXPECT_TRUE(quotesAsStored(check.exact).matches(unfold(stored)))
                << at << "\n  expected " << check.exact.source() << "\n  stored   " << unfold(stored);
            break;
        case StoredCheck::NotTracked: EXPECT_EQ(stored, notTrackedRow) << at; break;
        case StoredCheck::NoRecent: EXPECT_EQ(stored, NO_RECENT_ACTIVITY) << at; break;
        case StoredCheck::Blank: EXPECT_EQ(stored, "") << at; break;
        case StoredCheck::Untouched: EXPECT_EQ(after, before) << at << ": stored " << stored; break;
        case StoredCheck::StatusOnly: break;
    }
    for (const Pattern& p : check.contains) {
        EXPECT_TRUE(quotesAsStored(p).foundIn(unfold(stored))) << at << " lacks " << p.source() << "\n  stored " << unfold(stored);
    }
    for (const Pattern& p : check.lacks) {
        EXPECT_FALSE(quotesAsStored(p).foundIn(unfold(stored))) << at << " holds " << p.source() << "\n  stored " << unfold(stored);
    }
}

// Noon of a "YYYY-MM-DD" day, local time.
std::chrono::system_clock::time_point noonOf(const std::string& day) {
    std::tm local{};
    local.tm_year = std::stoi(day.substr(0, 4)) - 1900;
    local.tm_mon = std::stoi(day.substr(5, 2)) - 1;
    local.tm_mday = std::stoi(day.substr(8, 2));
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

// Restores the process-wide settings a scenario changes.
struct ScenarioEnvironment {
    explicit ScenarioEnvironment(const Scenario& s) {
        if (s.clickEnd != 0) {
            const int end = s.clickEnd;
            tracker::adapters::AdapterRandom::set([end](int lo, int hi) { return end < 0 ? lo : hi; });
            Pattern::setRangeEnd(end);
        }
        if (!s.today.empty()) {
            const auto now = noonOf(s.today);
            tracker::adapters::AdapterClock::set([now] { return now; });
        }
        tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
        RLPreferences::setStatsReporter(
            [](const std::string&, const std::string&, const std::optional<std::string>&, int) {});
        tracker::adapters::AdapterReports::setObserver(
            [this](const std::string& key, const std::string&, const std::string& text) {
                std::lock_guard<std::mutex> guard(lock);
                reports.push_back(key + ": " + text);
            });
    }
    ~ScenarioEnvironment() {
        tracker::adapters::AdapterClock::set(nullptr);
        tracker::adapters::AdapterRandom::set(nullptr);
        Pattern::setRangeEnd(0);
        tracker::adapters::AdapterReports::setObserver(nullptr);
        RLPreferences::setStatsReporter(nullptr);
    }
    std::vector<std::string> caught() {
        std::lock_guard<std::mutex> guard(lock);
        return reports;
    }

    std::mutex lock;
    std::vector<std::string> reports;
};

class ScenarioTest : public ::testing::TestWithParam<const Scenario*> {};

TEST_P(ScenarioTest, Runs) {
    const Scenario& s = *GetParam();
    ASSERT_TRUE(s.error.empty()) << s.error;

    TempWorkDir dir;
    writeFile(dir.file("Roamledger.settings"), "User0=Scenario\n");
    ScenarioEnvironment environment(s);
    RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
    LogCapture log(foundation::Logger::LEVEL_VERBOSE);

    RLPreferences::setUsername(0, s.key, s.user);
    RLPreferences::setPassword(0, s.key, s.password);
    RLPreferences::setPassword2(0, s.key, s.password2);
    const auto detailsBefore = RLPreferences::getDetails(0, s.key);
    const auto activityBefore = RLPreferences::getTransactions(0, s.key);

    ImitationWeb web;
    serveAll(web, {&s});

    tracker::adapters::registerAll();
    const tracker::SourceConfig* config = RLPreferences::getConfig(s.key);
    ASSERT_NE(config, nullptr) << s.where() << ": no program " << s.key;
    std::shared_ptr<tracker::RLSource> source = config->createSource();
    ASSERT_TRUE(source) << s.where() << ": no adapter registered for " << s.key;
    ASSERT_EQ(source->getKey(), s.key);

    source->setUser(0);
    source->init();
    ASSERT_TRUE(source->start());
    if (!source->join(RUN_LIMIT_MS)) {
        source->requestStop();
        source->join(rltest::scaled(5000));
        FAIL() << s.where() << ": the adapter did not end within " << RUN_LIMIT_MS << " ms";
    }

    if (!s.requestsUnchecked) checkRequests(s, web.requests());

    const std::string balance = RLPreferences::getCurrentBalance(0, s.key).value_or("<absent>");
    if (s.balance) {
        EXPECT_EQ(balance, *s.balance) << s.where() << ": balance";
    }
    if (s.status) {
        EXPECT_EQ(balance, *statusText(*s.status)) << s.where() << ": status " << *s.status;
    }
    if (s.notStatus) {
        EXPECT_NE(balance, *statusText(*s.notStatus)) << s.where() << ": recorded " << *s.notStatus;
    }

    checkStored("details", s, s.details, detailsBefore, RLPreferences::getDetails(0, s.key), DETAILS_NOT_TRACKED,
                config->areDetailsTracked());
    checkStored("activity", s, s.activity, activityBefore, RLPreferences::getTransactions(0, s.key),
                ACTIVITY_NOT_TRACKED, config->areTransactionsTracked());

    const std::vector<std::string> reports = environment.caught();
    std::string reportList;
    for (const std::string& r : reports) reportList += "\n----\n" + r;
    if (s.noReport) {
        EXPECT_TRUE(reports.empty()) << s.where() << ": unexpected report" << reportList;
    }
    if (s.report) {
        bool found = false;
        for (const std::string& r : reports) found = found || s.report->foundIn(r);
        EXPECT_TRUE(found) << s.where() << ": no report with " << s.report->source() << reportList;
    }

    const std::string logText = log.text();
    for (const Pattern& p : s.log) EXPECT_TRUE(p.foundIn(logText)) << s.where() << ": log lacks " << p.source();
    for (const Pattern& p : s.noLog) EXPECT_FALSE(p.foundIn(logText)) << s.where() << ": log holds " << p.source();

    // The passwords never show in a log line or a report.
    for (const std::string& secret : {s.password, s.password2}) {
        if (secret.size() < 6) continue;
        for (const std::string& form : {secret, tracker::RLSource::encodeFormValue(secret)}) {
            EXPECT_EQ(logText.find(form), std::string::npos) << s.where() << ": password in the log";
            for (const std::string& r : reports) {
                EXPECT_EQ(r.find(form), std::string::npos) << s.where() << ": password in a report";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Adapters, ScenarioTest, ::testing::ValuesIn(scenarioList()),
                         [](const ::testing::TestParamInfo<const Scenario*>& info) {
                             return info.param->testName();
                         });

// Every adapter of the library comes with scenarios, and every scenario file
// belongs to an adapter.
TEST(ScenarioCoverage, EveryAdapterHasScenariosAndEveryFileAnAdapter) {
    std::map<std::string, int> perKey;
    for (const Scenario& s : allScenarios()) ++perKey[s.key];
    for (const std::string& key : tracker::adapters::adapterKeys()) {
        EXPECT_GT(perKey[key], 0) << "no scenarios/" << key << ".scenarios";
    }
    for (const auto& [key, count] : perKey) {
        const auto& keys = tracker::adapters::adapterKeys();
        EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << key << ".scenarios names no adapter";
    }
}

}  // namespace
