#include "foundation/ThreadController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <regex>
#include <stdexcept>

#include "foundation/BaseNetThread.h"
#include "foundation/TextBrowser.h"
#include "foundation/ThreadUtil.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Wait.h"

using namespace foundation;
using rltest::Answer;
using rltest::LogCapture;

namespace {

int64_t nowMs() { return BaseTextBrowser::currentTimeMillis(); }

// When each worker began and ended its work.
class Timeline {
public:
    void began(const std::string& name) { set(m_began, name); }
    void ended(const std::string& name) { set(m_ended, name); }
    // When the controller started the worker (its pass, not the moment the
    // thread got to run).
    void startedByController(const std::string& name, int64_t at) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_started[name] = at;
    }
    std::optional<int64_t> startedAt(const std::string& name) const { return get(m_started, name); }
    std::optional<int64_t> beganAt(const std::string& name) const { return get(m_began, name); }
    std::optional<int64_t> endedAt(const std::string& name) const { return get(m_ended, name); }
    int runs(const std::string& name) const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_runs.count(name) ? m_runs.at(name) : 0;
    }

private:
    void set(std::map<std::string, int64_t>& map, const std::string& name) {
        std::lock_guard<std::mutex> guard(m_lock);
        map[name] = nowMs();
        if (&map == &m_began) ++m_runs[name];
    }
    std::optional<int64_t> get(const std::map<std::string, int64_t>& map, const std::string& name) const {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = map.find(name);
        if (found == map.end()) return std::nullopt;
        return found->second;
    }
    mutable std::mutex m_lock;
    std::map<std::string, int64_t> m_began, m_ended, m_started;
    std::map<std::string, int> m_runs;
};

// Every time of these tests (work, polls, limits and the bounds checked) is
// stretched by the same slowness factor, so that a sanitizer build or a
// busy machine keeps their proportions.

// Works for a while without touching the network.
class SleepWorker : public BaseNetThread {
public:
    SleepWorker(std::string name, int ms, Timeline& timeline) : m_name(std::move(name)), m_ms(rltest::scaled(ms)), m_timeline(timeline) {}

protected:
    void run() override {
        m_timeline.startedByController(m_name, getStartTime());
        BaseNetThread::run();
        m_timeline.began(m_name);
        ThreadUtil::sleepWithoutAlarm(m_ms);
        m_timeline.ended(m_name);
        destroy();
    }

private:
    std::string m_name;
    int m_ms;
    Timeline& m_timeline;
};

// Fetches a page every interval for a while.
class BusyWorker : public BaseNetThread {
public:
    BusyWorker(std::string name, std::string url, int count, int intervalMs, Timeline& timeline)
        : m_name(std::move(name)), m_url(std::move(url)), m_count(count), m_interval(rltest::scaled(intervalMs)), m_timeline(timeline) {}

protected:
    void run() override {
        BaseNetThread::run();
        m_timeline.began(m_name);
        for (int i = 0; i < m_count; ++i) {
            ThreadUtil::sleepWithoutAlarm(m_interval);
            getBrowser()->doGet(m_url);
        }
        m_timeline.ended(m_name);
        destroy();
    }

private:
    std::string m_name, m_url;
    int m_count, m_interval;
    Timeline& m_timeline;
};

class FailingInitWorker : public BaseNetThread {
public:
    void init(bool) override { throw std::runtime_error("cannot initialise"); }

protected:
    void run() override { BaseNetThread::run(); }
};

struct CountingStarter : IThreadControllerStarter {
    std::atomic<int> calls{0};
    void threadsCompleted() override { ++calls; }
};

struct ControllerRun {
    std::shared_ptr<ThreadController> controller = std::make_shared<ThreadController>();
    std::shared_ptr<CountingStarter> starter = std::make_shared<CountingStarter>();
    std::vector<std::shared_ptr<BaseNetThread>> workers;
    int64_t startedAt = 0;

    void start(int maxThreads, int poll, int pageTimeout, int overallTimeout) {
        controller->setStarter(starter);
        controller->setSources(workers);
        controller->setParameters(maxThreads, rltest::scaled(poll), rltest::scaled(pageTimeout),
                                  rltest::scaled(overallTimeout), false);
        startedAt = nowMs();
        controller->start();
    }
    bool finish(int ms) { return controller->join(rltest::scaled(ms)); }
    bool workersEnded(int ms) {
        for (auto& w : workers) {
            if (!w->join(rltest::scaled(ms))) return false;
        }
        return true;
    }
};

}  // namespace

TEST(ThreadControllerTest, EmptyListEndsAtOnceAndTellsTheStarterOnce) {
    ControllerRun run;
    // At once, not after a poll.
    run.start(3, 10000, 60000, 60000);
    ASSERT_TRUE(run.finish(20000));
    EXPECT_LT(nowMs() - run.startedAt, rltest::scaled(5000));
    EXPECT_EQ(run.starter->calls.load(), 1);

    ControllerRun nulls;
    nulls.workers = {nullptr, nullptr};
    nulls.start(1, 500, 1000, 1000);
    ASSERT_TRUE(nulls.finish(1000));
    EXPECT_EQ(nulls.starter->calls.load(), 1);
}

TEST(ThreadControllerTest, OneAtATimeInListOrder) {
    Timeline t;
    ControllerRun run;
    for (const char* n : {"a", "b", "c"}) run.workers.push_back(std::make_shared<SleepWorker>(n, 150, t));
    run.start(1, 50, 5000, 5000);
    ASSERT_TRUE(run.finish(5000));
    EXPECT_EQ(run.starter->calls.load(), 1);
    ASSERT_TRUE(t.endedAt("a") && t.endedAt("b") && t.endedAt("c"));
    EXPECT_GE(*t.beganAt("b"), *t.endedAt("a"));
    EXPECT_GE(*t.beganAt("c"), *t.endedAt("b"));
    // Each starts in the first poll after the previous one ended.
    EXPECT_LE(*t.startedAt("b") - *t.endedAt("a"), rltest::scaled(50 + 150));
    EXPECT_LE(*t.startedAt("c") - *t.endedAt("b"), rltest::scaled(50 + 150));
    for (const char* n : {"a", "b", "c"}) EXPECT_EQ(t.runs(n), 1) << n;
}

TEST(ThreadControllerTest, ThreeOfFiveStartAtOnceTheRestAsSlotsFree) {
    Timeline t;
    ControllerRun run;
    std::vector<std::pair<std::string, int>> plan = {{"w0", 200}, {"w1", 700}, {"w2", 700}, {"w3", 100}, {"w4", 100}};
    for (auto& [name, ms] : plan) run.workers.push_back(std::make_shared<SleepWorker>(name, ms, t));
    run.start(3, 50, 5000, 5000);
    ASSERT_TRUE(run.finish(5000));
    for (auto& [name, ms] : plan) ASSERT_TRUE(t.endedAt(name)) << name;
    // The first pass starts three: the third is started while the first
    // still runs (when its thread gets to run depends on the machine's load).
    EXPECT_LE(*t.startedAt("w2"), *t.endedAt("w0"));
    EXPECT_LT(*t.startedAt("w2"), *t.startedAt("w3"));
    // The fourth waits for the first to end; the fifth for the next.
    EXPECT_GE(*t.beganAt("w3"), *t.endedAt("w0"));
    EXPECT_LE(*t.startedAt("w3") - *t.endedAt("w0"), rltest::scaled(50 + 150));
    EXPECT_GE(*t.beganAt("w4"), *t.endedAt("w3"));
    EXPECT_LT(*t.beganAt("w4"), *t.endedAt("w1"));
    // Never more than three at once.
    for (auto& [name, ms] : plan) {
        int64_t at = *t.beganAt(name);
        int running = 0;
        for (auto& [other, oms] : plan) {
            if (*t.beganAt(other) <= at && *t.endedAt(other) > at) ++running;
        }
        EXPECT_LE(running, 3) << name;
    }
}

TEST(ThreadControllerTest, ForcedEndStopsRunningWorkersAndStartsNoMore) {
    LogCapture log;
    Timeline t;
    ControllerRun run;
    for (const char* n : {"a", "b", "c", "d"}) run.workers.push_back(std::make_shared<SleepWorker>(n, 10000, t));
    run.start(2, 100, 60000, 60000);
    ASSERT_TRUE(rltest::waitFor([&] { return t.beganAt("a") && t.beganAt("b"); }));
    int64_t forcedAt = nowMs();
    run.controller->forceThreadsToEnd();
    ASSERT_TRUE(run.finish(2000));
    EXPECT_LE(nowMs() - forcedAt, rltest::scaled(100 + 1000));
    EXPECT_EQ(run.starter->calls.load(), 1);
    EXPECT_TRUE(run.workersEnded(1000));
    EXPECT_FALSE(t.endedAt("a"));
    EXPECT_FALSE(t.endedAt("b"));
    EXPECT_FALSE(run.workers[2]->isStarted());
    EXPECT_FALSE(run.workers[3]->isStarted());
    EXPECT_FALSE(t.beganAt("c"));
    EXPECT_EQ(log.count("Forcing end of thread SleepWorker"), 2u);
    auto left = run.controller->getSources();
    EXPECT_EQ(left[0], nullptr);
    EXPECT_EQ(left[1], nullptr);
    EXPECT_NE(left[2], nullptr);
}

TEST(ThreadControllerTest, StoppingTheControllerForcesItsWorkers) {
    Timeline t;
    ControllerRun run;
    run.workers.push_back(std::make_shared<SleepWorker>("a", 10000, t));
    run.start(1, 100, 60000, 60000);
    ASSERT_TRUE(rltest::waitFor([&] { return t.beganAt("a").has_value(); }));
    run.controller->requestStop();
    ASSERT_TRUE(run.finish(2000));
    EXPECT_EQ(run.starter->calls.load(), 1);
    EXPECT_TRUE(run.workersEnded(1000));
}

TEST(ThreadControllerTest, AWorkerEndingWithinOnePollIsNotStopped) {
    LogCapture log;
    Timeline t;
    ControllerRun run;
    run.workers.push_back(std::make_shared<SleepWorker>("quick", 50, t));
    run.start(1, 100, 200, 200);
    ASSERT_TRUE(run.finish(2000));
    EXPECT_TRUE(t.endedAt("quick"));
    EXPECT_EQ(log.count("Timing out thread"), 0u);
    EXPECT_TRUE(log.contains("Destroying: SleepWorker"));
}

TEST(ThreadControllerTest, AnIdleWorkerIsTimedOutWithBothMeasures) {
    LogCapture log;
    Timeline t;
    ControllerRun run;
    run.workers.push_back(std::make_shared<SleepWorker>("idle", 10000, t));
    run.start(1, 100, 300, 10000);
    ASSERT_TRUE(run.finish(3000));
    EXPECT_EQ(run.starter->calls.load(), 1);
    EXPECT_LE(nowMs() - run.startedAt, rltest::scaled(300 + 100 + 1000));
    EXPECT_TRUE(run.workersEnded(1000));
    EXPECT_FALSE(t.endedAt("idle"));
    EXPECT_EQ(run.controller->getSources()[0], nullptr);
    std::smatch m;
    std::string text = log.text();
    ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(Timing out thread \(SleepWorker\): page - (\d+) ms / overall - (\d+) ms)")))
        << text;
    EXPECT_GT(std::stoll(m[1]), rltest::scaled(300));
    EXPECT_LT(std::stoll(m[2]), rltest::scaled(10000));
    EXPECT_FALSE(log.contains("Destroying: SleepWorker"));
}

TEST(ThreadControllerTest, AWorkerThatKeepsFetchingIsStoppedByTheOverallLimit) {
    rltest::ImitationWeb web;
    web.site("h.example").on("GET", "/", Answer::page("x"));
    LogCapture log;
    Timeline t;
    ControllerRun run;
    run.workers.push_back(std::make_shared<BusyWorker>("busy", "http://h.example/", 100, 50, t));
    run.start(1, 100, 400, 700);
    ASSERT_TRUE(run.finish(3000));
    EXPECT_TRUE(run.workersEnded(1000));
    EXPECT_FALSE(t.endedAt("busy"));
    std::smatch m;
    std::string text = log.text();
    ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(Timing out thread \(BusyWorker\): page - (\d+) ms / overall - (\d+) ms)")));
    EXPECT_LE(std::stoll(m[1]), rltest::scaled(400));
    EXPECT_GT(std::stoll(m[2]), rltest::scaled(700));
}

TEST(ThreadControllerTest, AWorkerWhoseSiteNeverAnswersIsStoppedInTime) {
    rltest::ImitationWeb web;
    web.site("h.example").on("GET", "/hang", Answer::neverAnswer());
    LogCapture log;
    Timeline t;
    ControllerRun run;
    run.workers.push_back(std::make_shared<BusyWorker>("stuck", "http://h.example/hang", 1, 0, t));
    run.start(1, 250, 1000, 60000);
    ASSERT_TRUE(run.finish(5000));
    int64_t took = nowMs() - run.startedAt;
    EXPECT_GT(took, rltest::scaled(1000));
    EXPECT_LE(took, rltest::scaled(1000 + 250 + 1000));
    EXPECT_TRUE(run.workersEnded(1000));
    EXPECT_FALSE(t.endedAt("stuck"));
    EXPECT_EQ(log.count("Timing out thread (BusyWorker): page - "), 1u);
    EXPECT_EQ(run.starter->calls.load(), 1);
}

TEST(ThreadControllerTest, AWorkerThatWaitedForASlotIsNotTimedOutAtItsStart) {
    rltest::ImitationWeb web;
    web.site("h.example").on("GET", "/", Answer::page("x"));
    LogCapture log;
    Timeline t;
    ControllerRun run;
    // The first keeps its client busy for longer than the page limit ...
    run.workers.push_back(std::make_shared<BusyWorker>("first", "http://h.example/", 6, 100, t));
    // ... so the second waits longer than that before its start.
    run.workers.push_back(std::make_shared<BusyWorker>("second", "http://h.example/", 2, 100, t));
    run.start(1, 50, 300, 5000);
    ASSERT_TRUE(run.finish(5000));
    EXPECT_TRUE(t.endedAt("first"));
    EXPECT_TRUE(t.endedAt("second"));
    EXPECT_GT(*t.beganAt("second") - run.startedAt, rltest::scaled(300));
    EXPECT_EQ(log.count("Timing out thread"), 0u);
}

TEST(ThreadControllerTest, AFailureInsideTheRunStillTellsTheStarterOnce) {
    LogCapture log;
    ControllerRun run;
    run.workers.push_back(std::make_shared<FailingInitWorker>());
    run.start(1, 50, 1000, 1000);
    ASSERT_TRUE(run.finish(2000));
    EXPECT_EQ(run.starter->calls.load(), 1);
    EXPECT_TRUE(log.contains("Error in ThreadController: "));
    EXPECT_TRUE(log.contains("cannot initialise"));
}

TEST(ThreadControllerTest, AWorkerIsNeverStartedTwice) {
    Timeline t;
    ControllerRun run;
    auto worker = std::make_shared<SleepWorker>("once", 100, t);
    run.workers.push_back(worker);
    CountingStarter plain;
    run.controller->setSources(run.workers);
    run.controller->setStarter(&plain);
    run.controller->setParameters(1, 20, 5000, 5000, false);
    run.controller->start();
    EXPECT_FALSE(run.controller->start());
    ASSERT_TRUE(run.controller->join(rltest::scaled(3000)));
    EXPECT_EQ(plain.calls.load(), 1);
    EXPECT_FALSE(worker->startWorker());
    EXPECT_TRUE(worker->join(rltest::scaled(1000)));
    EXPECT_EQ(t.runs("once"), 1);
}

TEST(ThreadControllerTest, AWorkerThatRanBeforeIsDroppedAndTheRunStillEnds) {
    LogCapture log;
    Timeline t;
    auto worker = std::make_shared<SleepWorker>("again", 20, t);
    ControllerRun first;
    first.workers.push_back(worker);
    first.start(1, 20, 5000, 5000);
    ASSERT_TRUE(first.finish(3000));
    ASSERT_TRUE(worker->join(rltest::scaled(1000)));

    // Its thread has run: a second controller cannot run it again, and must
    // neither wait for it forever nor leave its starter untold.
    ControllerRun second;
    second.workers.push_back(worker);
    second.workers.push_back(std::make_shared<SleepWorker>("fresh", 20, t));
    second.start(1, 20, 5000, 5000);
    ASSERT_TRUE(second.finish(3000));
    EXPECT_EQ(second.starter->calls.load(), 1);
    EXPECT_EQ(t.runs("again"), 1);
    EXPECT_EQ(t.runs("fresh"), 1);
    EXPECT_EQ(second.controller->getSources()[0], nullptr);
    EXPECT_TRUE(log.contains("Unable to start thread SleepWorker"));
}

TEST(BaseNetThreadTest, StateAcrossInitRunAndDestroy) {
    LogCapture log;
    Timeline t;
    auto worker = std::make_shared<SleepWorker>("w", 0, t);
    EXPECT_EQ(worker->getStartTime(), BaseNetThread::NOT_STARTED);
    EXPECT_FALSE(worker->getBrowser());
    worker->init(false);
    ASSERT_TRUE(worker->getBrowser());
    EXPECT_EQ(worker->getBrowser()->getNiceLevel(), 0);
    EXPECT_FALSE(worker->isStarted());
    int64_t before = nowMs();
    ASSERT_TRUE(worker->startWorker());
    ASSERT_TRUE(worker->join(rltest::scaled(2000)));
    EXPECT_TRUE(worker->isStarted());
    EXPECT_FALSE(worker->isRunning());
    EXPECT_TRUE(worker->isDestroyed());
    EXPECT_FALSE(worker->getBrowser());
    EXPECT_GE(worker->getStartTime(), before);
    EXPECT_GE(worker->getLastActiveTime(), before);
    worker->destroy();
    EXPECT_EQ(log.count("Destroying: SleepWorker"), 1u);
}
