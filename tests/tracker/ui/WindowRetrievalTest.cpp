// Starting, cancelling and ending retrievals from the window, and the
// engine's calls back into it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/core/PropertiesPrefPersist.h"

namespace {

using namespace rltest;
using tracker::RLEngine;
using tracker::ui::BaseRLApp;

int64_t nowMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

class WindowRetrievalTest : public WindowFixture {
protected:
    size_t refreshesInLog() const {
        const auto& entries = browserRecord().log;
        return static_cast<size_t>(std::count(entries.begin(), entries.end(), "refresh"));
    }

    bool idle() const {
        return !BaseRLApp::isCheckInProgress() && window->getUpdateButton()->getText() == "Retrieve All Accounts" &&
               window->getSetupButton()->getEnabled() && window->getOptionsButton()->getEnabled() &&
               window->getSetupMenuItem()->getEnabled() && window->getOptionsMenuItem()->getEnabled();
    }

    bool running() const {
        return BaseRLApp::isCheckInProgress() && window->getUpdateButton()->getText() == "Cancel Retrieval" &&
               !window->getSetupButton()->getEnabled() && !window->getOptionsButton()->getEnabled() &&
               !window->getSetupMenuItem()->getEnabled() && !window->getOptionsMenuItem()->getEnabled();
    }
};

TEST_F(WindowRetrievalTest, RetrieveCancelRetrieveWithinOnePollKeepsTheSecondRetrieval) {
    // The first run of the account waits for the first gate, the second run
    // for the second; each then records its own balance.
    std::array<Gate, 2> gates;
    std::atomic<int> runs{0};
    adapters.add("American", [&](ScriptedSource& s) {
        const int run = runs++;
        gates[static_cast<size_t>(run)].pass();
        s.registerBalance(run == 0 ? "1000" : "2000");
    });
    prepareSettings({{"Alice", {{"American", "alice1", "pw", "", std::string("1500")}}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    settle();
    tk::Button& button = *window->getUpdateButton();

    ASSERT_TRUE(driver.click(button));
    auto first = window->getEngine();
    EXPECT_TRUE(running());
    ASSERT_TRUE(waitFor([&] { return runs.load() == 1; }));

    // Cancel: the window is idle at once; the engine learns of it later.
    ASSERT_TRUE(driver.click(button));
    EXPECT_TRUE(idle());
    EXPECT_EQ(window->getEngine(), first);
    EXPECT_TRUE(first->isAlive());

    // Retrieve again before the first engine's next pass.
    const int64_t secondStart = nowMillis();
    ASSERT_TRUE(driver.click(button));
    auto second = window->getEngine();
    ASSERT_NE(second, first);
    EXPECT_TRUE(running());
    ASSERT_TRUE(waitFor([&] { return runs.load() == 2; }));
    settle();

    // The first engine wakes as its account ends, sees its cancel and winds
    // down; its calls no longer reach the window.
    const size_t refreshesBefore = refreshesInLog();
    gates[0].open();
    ASSERT_TRUE(first->join(rltest::scaled(10000)));
    settle();
    EXPECT_EQ(refreshesInLog(), refreshesBefore);
    EXPECT_TRUE(running());
    EXPECT_TRUE(second->isAlive()) << "the second retrieval was cancelled";
    EXPECT_TRUE(logged("User canceled check"));

    gates[1].open();
    ASSERT_TRUE(second->join(rltest::scaled(10000)));
    settle();
    EXPECT_TRUE(idle());
    EXPECT_EQ(window->getProgressBar()->getSelection(), window->getProgressBar()->getMaximum());
    EXPECT_EQ(window->getProgressBar()->getMaximum(), 1);
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), "2000");
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "2000");
    EXPECT_TRUE(fileExists(dir.file("Roamledger-Summary.html")));
    // The end saved the settings with this run's statistics.
    auto stored = storedSettings();
    EXPECT_EQ(stored["User0AmericanBalance"], "2000");
    EXPECT_TRUE(stored.count("DurationLastLaunch"));
    // The start of the second retrieval, in milliseconds since 1970.
    ASSERT_TRUE(stored.count("StatLastRunDate"));
    const int64_t lastRun = std::stoll(stored["StatLastRunDate"]);
    EXPECT_GE(lastRun, secondStart);
    EXPECT_LE(lastRun, nowMillis());
}

TEST_F(WindowRetrievalTest, PortalShowsTheInProgressPageThenTheResultsAndCancelShowsResultsAtOnce) {
    Gate gate;
    adapters.add("American", [&](ScriptedSource& s) {
        gate.pass();
        s.registerBalance("1750");
    });
    adapters.add("Aeroflot", [&](ScriptedSource& s) {
        gate.pass();
        s.registerBalance("42");
    });
    prepareSettings({{"Alice", {{"American", "alice1", "pw", "", std::string("1500")}}},
                     {"Bob", {{"Aeroflot", "bob", "pw", "", std::string("10")}}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    ASSERT_EQ(browserRecord().url, fileUrl("Roamledger.html"));

    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    settle();
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger-Interstitial.html"));
    EXPECT_TRUE(browserRecord().found);
    // Every balance is pending while the retrieval runs.
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), RLPreferences::DISPLAY_PENDING);
    EXPECT_EQ(RLPreferences::getCurrentBalance(1, "Aeroflot"), RLPreferences::DISPLAY_PENDING);
    EXPECT_EQ(window->getProgressBar()->getMaximum(), 2);

    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    settle();
    EXPECT_TRUE(idle());
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    auto cancelled = window->getEngine();
    gate.open();
    ASSERT_TRUE(cancelled->join(rltest::scaled(10000)));
    settle();
    EXPECT_TRUE(idle());

    // A new retrieval runs to its end and shows the results.
    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    auto engine = window->getEngine();
    ASSERT_TRUE(engine->join(rltest::scaled(10000)));
    settle();
    EXPECT_TRUE(idle());
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    EXPECT_NE(browserRecord().text.find("1,750"), std::string::npos);
    EXPECT_EQ(window->getProgressBar()->getSelection(), 2);
}

TEST_F(WindowRetrievalTest, ProgressFollowsTheEndedAccountsAndFarhavenReloadsAsPagesChange) {
    Gate slow;
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("1"); });
    adapters.add("Aeroflot", [&](ScriptedSource& s) {
        slow.pass();
        s.registerBalance("2");
    });
    prepareSettings({{"Alice", {{"American", "a", "pw", "", std::string("5")}, {"Aeroflot", "b", "pw", "", {}}}}},
                    {{"OptThreadPoll", "5"}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    settle();
    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    settle();
    // Farhaven keeps the results page during a retrieval.
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    ASSERT_TRUE(waitFor([&] {
        settle();
        return window->getProgressBar()->getSelection() == 1;
    }));
    EXPECT_EQ(window->getProgressBar()->getMaximum(), 2);
    // The page rewritten after a balance arrived is reloaded.
    ASSERT_TRUE(waitFor([&] {
        settle();
        return refreshesInLog() > 0;
    }));
    slow.open();
    ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
    settle();
    EXPECT_EQ(window->getProgressBar()->getSelection(), 2);
    EXPECT_TRUE(idle());
}

TEST_F(WindowRetrievalTest, RebuildingAfterChangesReplacesTheEngineWithoutStartingIt) {
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("3"); });
    prepareSettings({{"Alice", {{"American", "a", "pw", "", std::string("5")}}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    settle();
    auto before = window->getEngine();
    std::remove(dir.file("Roamledger.css").c_str());
    RLPreferences::renameUser(0, "Alicia");
    window->rebuildOutputAfterChanges(false, true);
    settle();
    EXPECT_NE(window->getEngine(), before);
    EXPECT_FALSE(window->getEngine()->hasBeenStarted());
    EXPECT_TRUE(fileExists(dir.file("Roamledger.css")));
    EXPECT_NE(page("Roamledger.html").find("Alicia"), std::string::npos);
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());

    window->rebuildOutputAfterChanges(true, false);
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());
    ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
    settle();
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "3");
}

}  // namespace
