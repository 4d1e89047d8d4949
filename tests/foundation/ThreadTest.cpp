// The lifetime of the program's threads: a thread counts as ended only once
// its body, its own reference and its network state are gone; every live
// thread can be stopped and joined at once; the end of the process joins
// them before anything is torn down, and ends a process whose thread will
// not stop without running the exit clean-up under it.

#include "foundation/Thread.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "foundation/TextBrowser.h"
#include "foundation/ThreadUtil.h"
#include "platform/net/HttpConnection.h"
#include "platform/system/ThreadResources.h"
#include "tests/support/ImitationWeb.h"

using foundation::Thread;
using rltest::Answer;

namespace {

class Body : public Thread {
public:
    explicit Body(std::function<void()> body, std::function<void()> atEnd = {})
        : m_body(std::move(body)), m_atEnd(std::move(atEnd)) {}
    ~Body() override {
        if (m_atEnd) m_atEnd();
    }

protected:
    void run() override { m_body(); }

private:
    std::function<void()> m_body;
    std::function<void()> m_atEnd;
};

// Ignores stop requests until told to end.
class Stubborn : public Thread {
public:
    std::atomic<bool> release{false};

protected:
    void run() override {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

// Runs fn(fd) in a child process (no thread of ours may run at the fork);
// answers its exit status (-1 when it ended otherwise) and what it wrote to
// fd before it ended.
struct ChildRun {
    int status = -1;
    std::string written;
};

ChildRun inChild(const std::function<int(int)>& fn) {
    EXPECT_EQ(Thread::liveThreadCount(), 0u);
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::_exit(fn(fds[1]));
    }
    ::close(fds[1]);
    ChildRun run;
    char buf[64];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) run.written.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

TEST(ThreadLifetime, AJoinedThreadHasDroppedItsOwnReferenceAndItsNetworkState) {
    rltest::ImitationWeb web;
    web.site("thread.example").on("GET", "/page", Answer::page("hello"));
    const size_t before = net::HttpConnection::threadStateCount();
    for (int round = 0; round < 20; ++round) {
        std::atomic<bool> fetched{false};
        auto t = std::make_shared<Body>([&] {
            foundation::TextBrowser client(false, 0);
            fetched = client.doGet("http://thread.example/page") == "hello";
        });
        ASSERT_TRUE(t->start());
        ASSERT_TRUE(t->join(rltest::scaled(20000)));
        EXPECT_TRUE(fetched.load());
        EXPECT_FALSE(t->isAlive());
        EXPECT_EQ(t.use_count(), 1) << "the body still held its reference";
        EXPECT_EQ(net::HttpConnection::threadStateCount(), before) << "network state outlived the thread";
    }
}

TEST(ThreadLifetime, AnObjectDroppedByItsOwnerEndsOnItsThreadBeforeTheThreadCountsAsEnded) {
    std::atomic<bool> go{false};
    std::atomic<bool> destroyed{false};
    std::atomic<bool> destroyedOnItsThread{false};
    std::thread::id bodyThread;
    {
        auto t = std::make_shared<Body>(
            [&] {
                bodyThread = std::this_thread::get_id();
                while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            },
            [&] {
                destroyedOnItsThread = std::this_thread::get_id() == bodyThread;
                destroyed = true;
            });
        ASSERT_TRUE(t->start());
    }
    EXPECT_EQ(Thread::liveThreadCount(), 1u);
    go = true;
    ASSERT_TRUE(Thread::stopAndJoinAll(20000));
    EXPECT_TRUE(destroyed.load());
    EXPECT_TRUE(destroyedOnItsThread.load());
    EXPECT_EQ(Thread::liveThreadCount(), 0u);
}

TEST(ThreadLifetime, StopAndJoinAllEndsSleepingThreadsPromptly) {
    std::vector<std::shared_ptr<Body>> sleepers;
    for (int i = 0; i < 8; ++i) {
        sleepers.push_back(std::make_shared<Body>([] { foundation::ThreadUtil::sleepWithoutAlarm(600000); }));
        ASSERT_TRUE(sleepers.back()->start());
    }
    EXPECT_EQ(Thread::liveThreadCount(), 8u);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(Thread::stopAndJoinAll(30000));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
    for (const auto& s : sleepers) {
        EXPECT_TRUE(s->isStopRequested());
        EXPECT_FALSE(s->isAlive());
        EXPECT_TRUE(s->join(0));
    }
}

TEST(ThreadLifetime, JoinNeverWaitsLongerThanAskedAndAStubbornThreadIsNamed) {
    auto t = std::make_shared<Stubborn>();
    ASSERT_TRUE(t->start());
    EXPECT_FALSE(t->join(30));
    EXPECT_FALSE(Thread::stopAndJoinAll(50));
    EXPECT_TRUE(t->isStopRequested());
    EXPECT_EQ(Thread::liveThreadNames(), std::vector<std::string>{"Stubborn"});
    t->release = true;
    EXPECT_TRUE(t->join(rltest::scaled(20000)));
    EXPECT_EQ(Thread::liveThreadCount(), 0u);
    EXPECT_FALSE(t->start()) << "a thread runs once";
}

TEST(ThreadLifetime, TheEndOfTheProcessJoinsEveryThreadAndStartsNoMore) {
    const ChildRun run = inChild([](int fd) {
        auto t = std::make_shared<Body>([] { foundation::ThreadUtil::sleepWithoutAlarm(600000); },
                                        [fd] { (void)::write(fd, "e", 1); });
        if (!t->start()) return 10;
        t.reset();
        const int result = Thread::endProcess(7, 20000);
        auto late = std::make_shared<Body>([] {});
        return late->start() ? 11 : result;
    });
    EXPECT_EQ(run.written, "e") << "the thread's object ended before the process";
    EXPECT_EQ(run.status, 7);
}

TEST(ThreadLifetime, AThreadThatWillNotStopEndsTheProcessWithoutItsExitCleanUp) {
    const ChildRun run = inChild([](int fd) -> int {
        // An exit handler that must not run while the thread still runs.
        static int handlerFd = fd;
        std::atexit([] { (void)::write(handlerFd, "x", 1); });
        auto t = std::make_shared<Stubborn>();
        t->start();
        // As a program's main returns it.
        std::exit(Thread::endProcess(5, 200));
    });
    EXPECT_EQ(run.written, "") << "an exit handler ran under a live thread";
    EXPECT_EQ(run.status, 5);
}

TEST(ThreadLifetime, ALibraryThreadNobodyJoinsEndsTheProcessWithoutItsExitCleanUpAndWithItsStatus) {
    const ChildRun run = inChild([](int fd) -> int {
        static int handlerFd = fd;
        std::atexit([] { (void)::write(handlerFd, "x", 1); });
        sys::markUnjoinedThreads();
        std::exit(Thread::endProcess(6, 200));
    });
    EXPECT_EQ(run.written, "");
    EXPECT_EQ(run.status, 6);
}

TEST(ThreadLifetime, LeavingByExitStillJoinsTheThreadsFirst) {
    const ChildRun run = inChild([](int fd) {
        auto t = std::make_shared<Body>([] { foundation::ThreadUtil::sleepWithoutAlarm(600000); },
                                        [fd] { (void)::write(fd, "e", 1); });
        t->start();
        t.reset();
        std::exit(4);
        return 0;
    });
    EXPECT_EQ(run.written, "e");
    EXPECT_EQ(run.status, 4);
}

TEST(ThreadLifetime, LeavingByExitWhileALibrarysThreadsRunEndsAsTheProgramsEndDoesWithExitsStatus) {
    const ChildRun run = inChild([](int fd) -> int {
        // Exit-time clean-up the program had before the library started
        // (static destructors, say): it must not run under the library's
        // threads.
        static int handlerFd = fd;
        std::atexit([] { (void)::write(handlerFd, "x", 1); });
        sys::markUnjoinedThreads();
        auto t = std::make_shared<Body>([] { foundation::ThreadUtil::sleepWithoutAlarm(600000); },
                                        [fd] { (void)::write(fd, "e", 1); });
        t->start();
        t.reset();
        // As Qt's X11 plugin leaves when the X server has gone.
        std::exit(3);
    });
    EXPECT_EQ(run.written, "e") << "the thread was not joined first, or an exit handler ran";
    EXPECT_EQ(run.status, 3);
}

}  // namespace
