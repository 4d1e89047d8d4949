// Account threads running for real: against imitation sites, under an
// engine that times them out or cancels them, with failures of every kind in
// their bodies. Nothing may hang, crash, count twice or record after a stop.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "foundation/StrUtil.h"
#include "foundation/ThreadUtil.h"
#include "tests/support/ImitationWeb.h"
#include "tests/tracker/core/SourceTestSupport.h"

using namespace tracker;
using rltest::Answer;
using rltest::ScriptedSource;
using rltest::ScriptedSourceBase;

namespace {

const char* const KEY = "United";

class SourceThreadTest : public rltest::SourceFixture {
protected:
    void SetUp() override {
        SourceFixture::SetUp();
        account(KEY, "joe", PASSWORD);
        RLPreferences::setCurrentBalance(0, KEY, RLPreferences::DISPLAY_PENDING);
        displayer = std::make_shared<rltest::CountingDisplayer>();
    }

    std::shared_ptr<ScriptedSource> source(ScriptedSourceBase::Script script, bool tracked = true,
                                           const std::string& key = KEY) {
        auto s = std::make_shared<ScriptedSource>(rltest::makeConfig(key, tracked, tracked), std::move(script));
        return s;
    }

    // An engine with one or more sources, started; waits for its end.
    // whileRunning runs once the engine has started.
    std::shared_ptr<rltest::TestEngine> runEngine(const std::vector<std::shared_ptr<ScriptedSource>>& sources,
                                                  int64_t pageLimitMs, bool cancelOnStart = false,
                                                  const std::function<void(rltest::TestEngine&)>& whileRunning = {}) {
        auto engine = std::make_shared<rltest::TestEngine>(pageLimitMs);
        engine->setDisplayer(displayer);
        for (const auto& s : sources) {
            s->setEngine(engine);
            s->setUser(0);
            engine->add(s);
        }
        if (cancelOnStart) {
            engine->start();
            EXPECT_TRUE(rltest::eventually([&] { return displayer->started.load() == static_cast<int>(sources.size()); }));
            displayer->cancel = true;
        } else {
            engine->start();
        }
        if (whileRunning) whileRunning(*engine);
        EXPECT_TRUE(engine->join(rltest::scaled(20000))) << "engine did not end";
        return engine;
    }

    rltest::ImitationWeb web;
    std::shared_ptr<rltest::CountingDisplayer> displayer;
};

TEST_F(SourceThreadTest, SiteThatNeverAnswersIsTimedOutOnceThroughTheEngine) {
    web.site("stuck.example").on("GET", "/balance", Answer::neverAnswer());
    std::atomic<bool> fetched{false};
    auto s = source([&](ScriptedSourceBase& self) {
        // As on a loaded machine: the request goes out well after the start.
        foundation::ThreadUtil::sleepWithoutAlarm(400);
        const std::string page = self.doGet("https://stuck.example/balance");
        fetched = true;
        self.registerBalance("123");
    });
    // The short page limit counts from the request's arrival at the site,
    // not from the start of the source.
    bool arrived = false;
    auto engine = runEngine({s}, 60000, false, [&](rltest::TestEngine& running) {
        arrived = web.waitForRequests(1, 20000);
        running.setPageLimit(300);
    });

    EXPECT_TRUE(arrived);
    EXPECT_EQ(engine->timeOuts.load(), 1);
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_TIMEOUT);
    ASSERT_TRUE(s->join(rltest::scaled(10000))) << "stopped source did not end";
    EXPECT_FALSE(fetched.load());
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_TIMEOUT);
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
    EXPECT_EQ(s->sink->count(), 0u);
    EXPECT_FALSE(s->isRunning());
    const std::string log = logText();
    EXPECT_EQ(log.find("registerBalance: 123"), std::string::npos);
    EXPECT_EQ(log.find("registerBalance: " + RLPreferences::DISPLAY_UNKNOWN), std::string::npos);
    expectNoSecrets(*s->sink);
}

TEST_F(SourceThreadTest, RecordingsAfterTheStopRequestAreDropped) {
    RLPreferences::setDetails(0, KEY, "before");
    RLPreferences::setTransactions(0, KEY, "before");
    std::atomic<bool> tried{false};
    auto s = source([&](ScriptedSourceBase& self) {
        // A body that does not notice the stop by itself.
        while (!self.isStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        self.registerBalance("999");
        self.registerBalance(RLPreferences::DISPLAY_UNKNOWN, false);
        self.registerDetails("<tr><td>late</td></tr>");
        self.registerNoRecentTransactions();
        self.reportError(std::string("late report"));
        tried = true;
    });
    auto engine = runEngine({s}, 100);
    ASSERT_TRUE(s->join(rltest::scaled(10000)));
    EXPECT_TRUE(tried.load());
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_TIMEOUT);
    EXPECT_EQ(details(KEY), "before");
    EXPECT_EQ(transactions(KEY), "before");
    EXPECT_EQ(s->sink->count(), 0u);
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
}

TEST_F(SourceThreadTest, BodyFailuresEndInCannotDetermineWithOneReport) {
    web.site("site.example").on("GET", "/page", Answer::page("<html>odd page</html>"));
    struct Case {
        std::string name;
        ScriptedSourceBase::Script script;
        std::string info;
    };
    const std::vector<Case> cases = {
        {"runtime_error",
         [](ScriptedSourceBase& self) {
             self.doGet("https://site.example/page");
             throw std::runtime_error("parser broke");
         },
         "parser broke"},
        {"out_of_range",
         [](ScriptedSourceBase& self) {
             std::string page = self.doGet("https://site.example/page");
             (void)page.at(page.size() + 10);
         },
         "Info="},
        {"not an exception", [](ScriptedSourceBase&) { throw 42; }, "Info=Unknown failure"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RLPreferences::setCurrentBalance(0, KEY, RLPreferences::DISPLAY_PENDING);
        displayer->progress = 0;
        auto s = source(c.script);
        auto engine = runEngine({s}, 60000);
        ASSERT_TRUE(s->join(rltest::scaled(5000)));
        EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);
        auto reports = s->sink->all();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].text.find(c.info), std::string::npos) << reports[0].text;
        EXPECT_EQ(engine->getSourcesCompleted(), 1);
        EXPECT_EQ(displayer->progress.load(), 1);
    }
    // The page fetched before the failure went with the report.
    expectNoSecrets(rltest::ReportSink{});
}

TEST_F(SourceThreadTest, WhatRecordedBeforeAFailureStays) {
    auto s = source([](ScriptedSourceBase& self) {
        self.registerBalance("1,500");
        throw std::logic_error("after the balance");
    });
    runEngine({s}, 60000);
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), "1500");
    EXPECT_EQ(s->sink->count(), 1u);
}

TEST_F(SourceThreadTest, SiteErrorGivesOneReportForTwoReasons) {
    web.site("site.example").on("GET", "/login", Answer::page("<html>Welcome</html>"));
    web.site("site.example").on("POST", "/login", Answer::page("Internal error", 500));
    auto s = source([](ScriptedSourceBase& self) {
        self.doGet("https://site.example/login");
        self.doPost("https://site.example/login", "pin=" + RLSource::encodeFormValue(self.m_password));
        self.registerBalance("1");
    });
    runEngine({s}, 60000);
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);
    auto reports = s->sink->all();
    ASSERT_EQ(reports.size(), 1u);
    // The page that came before the failure is in the dump.
    EXPECT_NE(reports[0].text.find("<!--Page 1/1: https://site.example/login -->\r\n<html>Welcome</html>"),
              std::string::npos);
    auto posts = web.site("site.example").requests("POST", "/login");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].formValue("pin"), std::string(PASSWORD));
    expectNoSecrets(*s->sink);
}

TEST_F(SourceThreadTest, UnreachableNetworkGivesCannotDetermineWithoutAReport) {
    auto s = source([](ScriptedSourceBase& self) { self.doGet("http://127.0.0.1:1/login"); });
    runEngine({s}, 60000);
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);
    EXPECT_EQ(s->sink->count(), 0u);
}

TEST_F(SourceThreadTest, SuccessfulRetrievalEndToEnd) {
    web.site("miles.example")
        .on("GET", "/start", Answer::page("<form>").setCookie("sid=7; path=/"))
        .on("POST", "/login", [](const rltest::Request& r) {
            return Answer::page(r.cookie("sid") == "7" ? "<td>Balance</td><td>12,345 miles</td>" : "Sign in");
        });
    auto s = source([](ScriptedSourceBase& self) {
        self.doGet("https://miles.example/start");
        const std::string page = self.doPost("https://miles.example/login",
                                             "user=" + RLSource::encodeFormValue(self.m_username) +
                                                 "&pw=" + RLSource::encodeFormValue(self.m_password));
        if (self.isInvalidLogin(page, "Sign in")) return;
        EXPECT_EQ(self.getPages().size(), 2u);
        self.registerBalance(foundation::StrUtil::extract(page, "<td>", "<", static_cast<int>(page.find("Balance") + 1)));
    });
    auto engine = runEngine({s}, 60000);
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), "12345");
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
    EXPECT_TRUE(engine->isDataUpdated());
    EXPECT_EQ(s->sink->count(), 0u);
    // The end bookkeeping dropped the page log and the client.
    EXPECT_TRUE(s->getPages().empty());
    EXPECT_FALSE(s->m_tb);
    auto posts = web.site("miles.example").requests("POST", "/login");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].formValue("pw"), std::string(PASSWORD));
    EXPECT_NE(posts[0].body.find(RLSource::encodeFormValue(PASSWORD)), std::string::npos);
    const std::string log = logText();
    EXPECT_NE(log.find("Creating thread of type: United"), std::string::npos);
    EXPECT_NE(log.find("Ending thread of type: United"), std::string::npos);
    expectNoSecrets(*s->sink);
}

TEST_F(SourceThreadTest, AnUpdateThatRecordsNothingRecordsCannotDetermine) {
    auto s = source([](ScriptedSourceBase&) {});
    runEngine({s}, 60000);
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_UNKNOWN);
    auto reports = s->sink->all();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].text.find("Info=Unknown balance (d - unknown)"), std::string::npos);
}

TEST_F(SourceThreadTest, CancelStopsRunningSourcesAndCountsThemOnce) {
    auto s = source([](ScriptedSourceBase& self) {
        foundation::ThreadUtil::sleepWithoutAlarm(60000);
        self.registerBalance("5");
    });
    auto engine = runEngine({s}, 60000, true);
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), RLPreferences::DISPLAY_PENDING);
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
    EXPECT_EQ(s->sink->count(), 0u);
}

TEST_F(SourceThreadTest, JoinNeverWaitsLongerThanAsked) {
    auto engine = std::make_shared<rltest::TestEngine>(60000);
    auto s = source([](ScriptedSourceBase&) { foundation::ThreadUtil::sleepWithoutAlarm(60000); });
    s->setEngine(engine);
    s->setUser(0);
    s->init();
    ASSERT_TRUE(s->start());
    EXPECT_FALSE(s->start());
    EXPECT_TRUE(s->isStarted());
    EXPECT_TRUE(s->isRunning());
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(s->join(50));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_FALSE(s->hasEnded());
    s->cancel();
    EXPECT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_TRUE(s->hasEnded());
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
}

// Widens the gap after a stop request: the request returns only once the
// body has ended and dropped its engine.
class SlowToReturnFromStop : public ScriptedSource {
public:
    using ScriptedSource::ScriptedSource;
    void requestStop() override {
        ScriptedSource::requestStop();
        endedWithinStop = join(rltest::scaled(10000));
    }
    std::atomic<bool> endedWithinStop{false};
};

TEST_F(SourceThreadTest, AStoppedSourceIsCountedOnceEvenWhenItsBodyEndsAtOnce) {
    for (const bool timeOut : {true, false}) {
        SCOPED_TRACE(timeOut ? "time-out" : "cancel");
        RLPreferences::setCurrentBalance(0, KEY, RLPreferences::DISPLAY_PENDING);
        auto engine = std::make_shared<rltest::TestEngine>(60000);
        auto counting = std::make_shared<rltest::CountingDisplayer>();
        engine->setDisplayer(counting);
        auto s = std::make_shared<SlowToReturnFromStop>(
            rltest::makeConfig(KEY, true, true),
            [](ScriptedSourceBase&) { foundation::ThreadUtil::sleepWithoutAlarm(60000); });
        s->setEngine(engine);
        s->setUser(0);
        s->init();
        ASSERT_TRUE(s->start());
        if (timeOut) {
            s->timeOut();
        } else {
            s->cancel();
        }
        EXPECT_TRUE(s->endedWithinStop.load());
        EXPECT_EQ(engine->getSourcesCompleted(), 1);
        EXPECT_EQ(counting->progress.load(), 1);
        EXPECT_EQ(balance(KEY), timeOut ? RLPreferences::DISPLAY_TIMEOUT : RLPreferences::DISPLAY_PENDING);
    }
}

TEST_F(SourceThreadTest, ATimeOutAfterTheBodyEndedKeepsItsOutcome) {
    auto engine = std::make_shared<rltest::TestEngine>(60000);
    engine->setDisplayer(displayer);
    auto s = source([](ScriptedSourceBase& self) { self.registerBalance("5"); });
    s->setEngine(engine);
    s->setUser(0);
    s->init();
    ASSERT_TRUE(s->start());
    ASSERT_TRUE(s->join(rltest::scaled(10000)));
    // The watchdog saw it running just before it ended.
    s->timeOut();
    EXPECT_EQ(balance(KEY), "5");
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
}

TEST_F(SourceThreadTest, DestroyOfARunningSourceOnlyDoesTheBookkeeping) {
    auto engine = std::make_shared<rltest::TestEngine>(60000);
    engine->setDisplayer(displayer);
    std::atomic<bool> go{false};
    auto s = source([&](ScriptedSourceBase& self) {
        while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        self.registerBalance("77");
    });
    s->setEngine(engine);
    s->setUser(0);
    s->init();
    ASSERT_TRUE(s->start());
    s->destroy();
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_FALSE(s->isRunning());
    go = true;
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), "77");
    EXPECT_EQ(engine->getSourcesCompleted(), 1);
    EXPECT_EQ(displayer->progress.load(), 1);
}

TEST_F(SourceThreadTest, ASourceOutlivesAnEngineThatWasDropped) {
    std::atomic<bool> go{false};
    auto s = source([&](ScriptedSourceBase& self) {
        while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        self.registerBalance("8");
    });
    {
        auto engine = std::make_shared<rltest::TestEngine>(60000);
        s->setEngine(engine);
        s->setUser(0);
        s->init();
        ASSERT_TRUE(s->start());
    }
    go = true;
    ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(balance(KEY), "8");
}

TEST_F(SourceThreadTest, ManySourcesRecordAtOnce) {
    const std::vector<std::string> keys = {"American", "Delta", "United", "Alaska", "Aeroflot", "Swiss"};
    web.site("busy.example").on("GET", "/b", Answer::page("<b>2,000</b>").delay(20));
    std::vector<std::shared_ptr<ScriptedSource>> sources;
    for (const std::string& key : keys) {
        account(key, "user-" + key);
        sources.push_back(source(
            [](ScriptedSourceBase& self) {
                const std::string page = self.doGet("https://busy.example/b");
                self.registerDetails("<tr><td>" + self.getKey() + "</td></tr>");
                self.registerBalance(foundation::StrUtil::extract(page, "<b>", "<"));
            },
            true, key));
    }
    auto engine = runEngine(sources, 60000);
    for (auto& s : sources) ASSERT_TRUE(s->join(rltest::scaled(5000)));
    EXPECT_EQ(engine->getSourcesCompleted(), static_cast<int>(keys.size()));
    EXPECT_EQ(displayer->progress.load(), static_cast<int>(keys.size()));
    for (const std::string& key : keys) {
        EXPECT_EQ(balance(key), "2000") << key;
        EXPECT_EQ(details(key), "<tr><td>" + key + "<\\/td><\\/tr>") << key;
    }
}

}  // namespace
