// The scheduler: thread limit, watchdog, single retrieval, end and cancel.

#include <gtest/gtest.h>

#include "foundation/ThreadUtil.h"
#include "tests/tracker/core/EngineTestKit.h"
#include "tracker/core/RLEngine.h"

namespace {

using namespace rltest;
using tracker::History;
using tracker::RLEngine;
using tracker::RLPreferences;
using tracker::RLSource;

class EngineTest : public ::testing::Test {
protected:
    std::shared_ptr<RLEngine> makeEngine(const std::optional<std::string>& singleKey = std::nullopt,
                                         int singleUser = 0) {
        auto engine = RLEngine::create();
        engine->setupOutputandURLPaths(world.dir.path() + "/");
        engine->setDisplayer(displayer);
        engine->init(singleKey, singleUser, true, true);
        return engine;
    }
    // Runs the engine thread to its end.
    void runToEnd(const std::shared_ptr<RLEngine>& engine, int64_t timeoutMs = 20000) {
        engine->start();
        ASSERT_TRUE(engine->join(timeoutMs)) << "engine did not end";
    }
    std::optional<std::string> current(int user, const std::string& key) {
        return RLPreferences::getCurrentBalance(user, key);
    }
    std::optional<std::string> previous(int user, const std::string& key) {
        return RLPreferences::getPreviousBalance(user, key);
    }

    ScriptedAdapters adapters;
    EngineWorld world;
    std::shared_ptr<RecordingDisplayer> displayer = std::make_shared<RecordingDisplayer>();
};

// Records a balance a little later, like a quick site.
ScriptedSource::Script recording(std::string balance, bool isNumber = true, int delayMs = 20) {
    return [balance, isNumber, delayMs](ScriptedSource& s) {
        foundation::ThreadUtil::sleepWithoutAlarm(delayMs);
        if (isNumber) s.registerBalance(balance);
        else s.registerBalance(balance, false);
    };
}

// Hangs until stopped, then tries to record anyway.
void hanging(ScriptedSource& s) {
    ScriptedSource::waitForStop();
    s.registerBalance("999");
}

TEST_F(EngineTest, WatchdogLetsActivityAtTheLimitGoOnAndTimesOutOneMillisecondLater) {
    adapters.add("American", hanging);
    RLPreferences::setPageTimeout(60000);       // limit 48000
    RLPreferences::setOverallTimeout(1000000);  // limit 800000
    addUserWith("Main User", {{"American", "aa", "100", RLPreferences::DISPLAY_PENDING}});
    auto engine = makeEngine();

    std::atomic<int64_t> fake{tracker::BaseSource::currentTimeMillis()};
    std::atomic<int> sleeps{0};
    std::atomic<bool> runningAtLimit{false};
    std::atomic<int64_t> start{0};
    std::atomic<int64_t> active{0};
    engine->setClock([&] { return fake.load(); });
    engine->setSleeper([&](int64_t ms) {
        EXPECT_EQ(ms, 20);
        const int call = ++sleeps;
        std::shared_ptr<RLSource> source;
        {
            std::lock_guard<std::mutex> guard(displayer->lock);
            if (!displayer->startedSources.empty()) source = displayer->startedSources[0];
        }
        if (!source) return;
        if (call == 1) {
            start = source->getStartTime();
            active = source->getLastActiveTime();
            fake = active + 48000;
        } else if (call == 2) {
            runningAtLimit = source->isRunning() && *RLPreferences::getCurrentBalance(0, "American") ==
                                                        RLPreferences::DISPLAY_PENDING;
            fake = active + 48001;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    runToEnd(engine);

    EXPECT_TRUE(runningAtLimit.load());
    EXPECT_GE(sleeps.load(), 3);
    EXPECT_EQ(current(0, "American"), RLPreferences::DISPLAY_TIMEOUT);
    const std::string line = "Timing out thread (American): page - 48001 ms / overall - " +
                             std::to_string(active + 48001 - start) + " ms";
    EXPECT_NE(world.log().find(line), std::string::npos) << line;
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->dones.load(), 1);

    std::shared_ptr<RLSource> source = displayer->startedSources.at(0);
    EXPECT_TRUE(source->join(rltest::scaled(5000)));
    // The thread's own recording after the stop did not land.
    EXPECT_EQ(current(0, "American"), RLPreferences::DISPLAY_TIMEOUT);
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    // The timed-out status is no balance to carry over.
    EXPECT_EQ(previous(0, "American"), "100");
}

TEST_F(EngineTest, LimitIsTheIntegerPartOfEightTenthsInSinglePrecision) {
    EXPECT_EQ(RLEngine::limitOf(60000), 48000);
    EXPECT_EQ(RLEngine::limitOf(240000), 192000);
    EXPECT_EQ(RLEngine::limitOf(1), 0);
    EXPECT_EQ(RLEngine::limitOf(7), 5);
}

TEST_F(EngineTest, OneThreadAtATimeStartsInTableOrder) {
    adapters.add("American", recording("1000"));
    adapters.add("Delta", recording("2000"));
    RLPreferences::setMaxThreadsHigh(1);
    addUserWith("Main User", {{"American", "a", "1", RLPreferences::DISPLAY_PENDING},
                              {"Delta", "d", "1", RLPreferences::DISPLAY_PENDING}});
    addUserWith("Second", {{"American", "b", "1", RLPreferences::DISPLAY_PENDING}});
    std::atomic<bool> overlap{false};
    displayer->onStarted = [&](const std::shared_ptr<RLSource>&) {
        for (const auto& earlier : displayer->startedSources) {
            if (earlier->isRunning()) overlap = true;
        }
    };
    auto engine = makeEngine();
    EXPECT_EQ(engine->getSourcesCreated(), 3);
    runToEnd(engine);

    EXPECT_FALSE(overlap.load());
    EXPECT_EQ(displayer->started, (std::vector<std::string>{"American0", "Delta0", "American1"}));
    EXPECT_EQ(previous(0, "American"), "1000");
    EXPECT_EQ(previous(0, "Delta"), "2000");
    EXPECT_EQ(previous(1, "American"), "1000");
    EXPECT_EQ(engine->getSourcesCompleted(), 3);
    EXPECT_EQ(displayer->dones.load(), 1);
    const std::string log = world.log();
    EXPECT_NE(log.find("Threads running: 0 / threads available: 1"), std::string::npos);
    EXPECT_NE(log.find("Starting: Delta"), std::string::npos);
}

TEST_F(EngineTest, SingleRetrievalRunsOnlyItsAccount) {
    adapters.add("American", recording("5"));
    adapters.add("Delta", recording("777"));
    addUserWith("Main User", {{"American", "a", "10", RLPreferences::DISPLAY_PENDING},
                              {"Delta", "d", "20", RLPreferences::DISPLAY_PENDING}});
    addUserWith("Second", {{"American", "b", "30", RLPreferences::DISPLAY_PENDING},
                           {"Delta", "e", "40", RLPreferences::DISPLAY_PENDING}});
    auto engine = makeEngine(std::string("Delta"), 1);
    EXPECT_EQ(engine->getSourcesCreated(), 1);
    EXPECT_TRUE(engine->getSource(0, RLPreferences::findRow("American").value())->isExcluded());
    EXPECT_FALSE(engine->getSource(1, RLPreferences::findRow("Delta").value())->isExcluded());
    // The others show their previous balance again.
    EXPECT_EQ(current(0, "American"), "10");
    EXPECT_EQ(current(1, "American"), "30");
    EXPECT_EQ(current(0, "Delta"), "20");
    runToEnd(engine);

    EXPECT_EQ(displayer->started, (std::vector<std::string>{"Delta1"}));
    EXPECT_EQ(current(1, "Delta"), "777");
    EXPECT_EQ(previous(1, "Delta"), "777");
    EXPECT_EQ(previous(0, "Delta"), "20");
    EXPECT_EQ(displayer->dones.load(), 1);
}

TEST_F(EngineTest, ProgramWithoutRetrievalIsCountedButNeverStarted) {
    adapters.add("Alamo", recording("1"));
    adapters.add("American", recording("2"));
    addUserWith("Main User", {{"Alamo", "a", "50", RLPreferences::DISPLAY_PENDING},
                              {"American", "b", "60", RLPreferences::DISPLAY_PENDING}});
    auto engine = makeEngine();
    EXPECT_EQ(engine->getSourcesCreated(), 2);
    EXPECT_TRUE(engine->getSource(0, RLPreferences::findRow("Alamo").value())->isExcluded());
    EXPECT_EQ(current(0, "Alamo"), "50");
    runToEnd(engine);
    EXPECT_EQ(displayer->started, (std::vector<std::string>{"American0"}));
    EXPECT_EQ(previous(0, "Alamo"), "50");
}

TEST_F(EngineTest, AccountWithoutAdapterOrUserNameHasNoThread) {
    addUserWith("Main User", {{"American", "a", "1", std::nullopt}, {"Delta", "", "1", std::nullopt}});
    auto engine = makeEngine();
    EXPECT_EQ(engine->getSourcesCreated(), 0);
    EXPECT_FALSE(engine->hasAnySource());
    EXPECT_NE(world.log().find("Cannot create source"), std::string::npos);
}

TEST_F(EngineTest, NoAccountsEndInTheFirstPass) {
    addUserWith("Main User", {});
    auto engine = makeEngine();
    std::atomic<int> sleeps{0};
    engine->setSleeper([&](int64_t) { ++sleeps; });
    runToEnd(engine);
    EXPECT_EQ(sleeps.load(), 0);
    EXPECT_EQ(displayer->refreshes.load(), 1);
    EXPECT_EQ(displayer->dones.load(), 1);
    EXPECT_NE(world.read("Roamledger-Summary.html").find("No users and/or accounts"), std::string::npos);
}

TEST_F(EngineTest, EndWritesTheSummaryBeforeCarryingOverBalances) {
    adapters.add("American", recording("2000"));
    adapters.add("Delta", [](ScriptedSource& s) { s.isInvalidLogin("Wrong", "Wrong"); });
    adapters.add("Hilton", recording("12,345 pts", false));
    addUserWith("Main User", {{"American", "a", "1000", RLPreferences::DISPLAY_PENDING},
                              {"Delta", "d", "500", RLPreferences::DISPLAY_PENDING},
                              {"Hilton", "h", "300", RLPreferences::DISPLAY_PENDING}});
    std::vector<std::pair<bool, std::string>> atRefresh;
    std::optional<std::string> atDone;
    displayer->onRefresh = [&] {
        atRefresh.emplace_back(fileExists(world.dir.file("Roamledger-Summary.html")),
                               previous(0, "American").value_or(""));
    };
    displayer->onDone = [&] { atDone = previous(0, "American"); };
    auto engine = makeEngine();
    runToEnd(engine);

    ASSERT_FALSE(atRefresh.empty());
    EXPECT_TRUE(atRefresh.back().first);
    EXPECT_EQ(atRefresh.back().second, "1000");  // the summary saw the old previous balance
    EXPECT_EQ(atDone, "2000");                    // carried over before done
    EXPECT_NE(world.read("Roamledger-Summary.html").find("<td class=r>2,000</td>"), std::string::npos);
    EXPECT_EQ(previous(0, "Delta"), "500");        // a status is not carried over
    EXPECT_EQ(previous(0, "Hilton"), "12,345 pts");  // any other text is, unchanged
    EXPECT_EQ(engine->getSource(0, RLPreferences::findRow("American").value()), nullptr);
    // A results page with the arrived balances was written during the run.
    EXPECT_NE(world.read("Roamledger.html").find("<td class=r>2,000</td><td class=r>1,000</td>"),
              std::string::npos);
}

TEST_F(EngineTest, CancelStopsThreadsWritesThePageOnceAndNoSummary) {
    adapters.add("American", hanging);
    adapters.add("Delta", hanging);
    adapters.add("Hilton", recording("2000", true, 0));
    addUserWith("Main User", {{"American", "a", "10", RLPreferences::DISPLAY_PENDING},
                              {"Delta", "d", "20", RLPreferences::DISPLAY_PENDING},
                              {"Hilton", "h", "1000", RLPreferences::DISPLAY_PENDING}});
    History::markHistoryAsExisting();
    std::atomic<int> refreshesAtCancel{-1};
    displayer->cancel = [&] {
        std::lock_guard<std::mutex> guard(displayer->lock);
        if (displayer->startedSources.size() < 3) return false;
        for (const auto& s : displayer->startedSources) {
            if (s->getKey() == "Hilton" && s->isRunning()) return false;
        }
        refreshesAtCancel = displayer->refreshes.load();
        return true;
    };
    auto engine = makeEngine();
    runToEnd(engine);

    ASSERT_GE(refreshesAtCancel.load(), 0);
    EXPECT_EQ(displayer->refreshes.load(), refreshesAtCancel.load() + 1);
    EXPECT_EQ(displayer->dones.load(), 0);
    EXPECT_FALSE(fileExists(world.dir.file("Roamledger-Summary.html")));
    EXPECT_NE(world.log().find("User canceled check"), std::string::npos);
    for (const auto& s : displayer->startedSources) EXPECT_TRUE(s->join(rltest::scaled(5000))) << s->getKey();
    // Late recordings of the stopped threads were dropped.
    EXPECT_EQ(current(0, "American"), RLPreferences::DISPLAY_PENDING);
    EXPECT_EQ(current(0, "Delta"), RLPreferences::DISPLAY_PENDING);
    EXPECT_EQ(engine->getSourcesCompleted(), 3);
    // The thread that ended before the cancel has its balance carried over,
    // after the page recorded the change.
    EXPECT_EQ(previous(0, "Hilton"), "2000");
    EXPECT_EQ(previous(0, "American"), "10");
    EXPECT_NE(world.read("Roamledger.html").find("<td class=r>2,000</td><td class=r>1,000</td>"),
              std::string::npos);
    EXPECT_EQ(History::getEntries(0, "HL", false).size(), 1u);
}

TEST_F(EngineTest, StoppingTheEngineStopsItsAccountThreads) {
    adapters.add("American", hanging);
    addUserWith("Main User", {{"American", "a", "10", RLPreferences::DISPLAY_PENDING}});
    auto engine = makeEngine();
    engine->start();
    ASSERT_TRUE(eventually([&] { return displayer->startedCount() == 1u; }));
    engine->requestStop();
    ASSERT_TRUE(engine->join(rltest::scaled(5000)));
    EXPECT_TRUE(displayer->startedSources.at(0)->join(rltest::scaled(5000)));
    EXPECT_EQ(displayer->dones.load(), 0);
    EXPECT_EQ(current(0, "American"), RLPreferences::DISPLAY_PENDING);
}

TEST_F(EngineTest, SeedingAddsPreviousBalancesOnceWhenNoHistoryExists) {
    adapters.add("American", nullptr);
    adapters.add("Delta", nullptr);
    adapters.add("Hilton", nullptr);
    addUserWith("Main User", {{"American", "a", "1500", std::nullopt},
                              {"Delta", "d", RLPreferences::DISPLAY_NEVER_CHECKED, std::nullopt},
                              {"Hilton", "h", "1,500", std::nullopt}});
    ASSERT_FALSE(History::doesHistoryExist());
    auto engine = makeEngine();
    EXPECT_TRUE(History::doesHistoryExist());
    EXPECT_EQ(History::getEntries(0, "AA", false).size(), 1u);
    EXPECT_TRUE(History::getEntries(0, "DL", false).empty());
    EXPECT_TRUE(History::getEntries(0, "HL", false).empty());
    makeEngine();
    EXPECT_EQ(History::getEntries(0, "AA", false).size(), 1u);
}

}  // namespace
