#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <map>
#include <memory>
#include <regex>
#include <stdexcept>
#include <thread>

#include "foundation/ExceptionUtil.h"
#include "foundation/Logger.h"
#include "foundation/MathUtil.h"
#include "foundation/MiscUtil.h"
#include "foundation/ThreadStop.h"
#include "foundation/ThreadUtil.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

using namespace foundation;
using Clock = std::chrono::steady_clock;

namespace {

int64_t msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(MathUtilTest, RandEndsAreHalfAsLikelyAsInnerValues) {
    std::map<int, int> counts;
    const int draws = 310000;
    for (int i = 0; i < draws; ++i) counts[MathUtil::rand(1, 32)]++;
    ASSERT_EQ(counts.begin()->first, 1);
    ASSERT_EQ(counts.rbegin()->first, 32);
    ASSERT_EQ(counts.size(), 32u);
    // Inner values each 1/31 of the draws, the two ends 1/62.
    const double inner = draws / 31.0;
    for (int v = 2; v <= 31; ++v) EXPECT_NEAR(counts[v], inner, inner * 0.08) << v;
    EXPECT_NEAR(counts[1], inner / 2, inner * 0.06);
    EXPECT_NEAR(counts[32], inner / 2, inner * 0.06);
}

TEST(MathUtilTest, RandDegenerateAndNegativeRanges) {
    for (int i = 0; i < 100; ++i) EXPECT_EQ(MathUtil::rand(7, 7), 7);
    for (int i = 0; i < 1000; ++i) {
        int v = MathUtil::rand(-5, 5);
        EXPECT_GE(v, -5);
        EXPECT_LE(v, 5);
    }
    for (int i = 0; i < 1000; ++i) {
        double r = MathUtil::nextDouble();
        EXPECT_GE(r, 0.0);
        EXPECT_LT(r, 1.0);
    }
}

TEST(MiscUtilTest, ComesBeforeByCodeUnits) {
    struct Case {
        const char* a;
        const char* b;
        bool before;
    };
    const Case cases[] = {
        {"Zeta", "alpha", true},
        {"alpha", "Zeta", false},
        {"ab", "abc", true},
        {"abc", "ab", false},
        {"abc", "abc", false},
        {"", "a", true},
        {"", "", false},
        {"B", "a", true},
        // U+00E9 (one unit 0x00E9) after "z"; U+20AC after U+00E9.
        {"z", "\xC3\xA9", true},
        {"\xC3\xA9", "\xE2\x82\xAC", true},
        // A character beyond the basic plane is a surrogate pair (0xD83D ...),
        // so it sorts before U+FF21 although its code point is larger.
        {"\xF0\x9F\x98\x80", "\xEF\xBC\xA1", true},
        {"\xEF\xBC\xA1", "\xF0\x9F\x98\x80", false},
    };
    for (const auto& c : cases) EXPECT_EQ(MiscUtil::comesBefore(c.a, c.b), c.before) << c.a << " vs " << c.b;
}

TEST(MiscUtilTest, SortAndSwap) {
    std::vector<std::string> empty;
    MiscUtil::sort(empty);
    EXPECT_TRUE(empty.empty());
    std::vector<std::string> one{"x"};
    MiscUtil::sort(one);
    EXPECT_EQ(one, std::vector<std::string>{"x"});

    std::vector<std::string> list{"UA", "aa", "AA", "DL", "A", "", "CO", "AA", "b"};
    MiscUtil::sort(list);
    EXPECT_EQ(list, (std::vector<std::string>{"", "A", "AA", "AA", "CO", "DL", "UA", "aa", "b"}));

    std::vector<std::string> rev{"e", "d", "c", "b", "a"};
    MiscUtil::sort(rev);
    EXPECT_EQ(rev, (std::vector<std::string>{"a", "b", "c", "d", "e"}));

    MiscUtil::swap(rev, 0, 4);
    EXPECT_EQ(rev, (std::vector<std::string>{"e", "b", "c", "d", "a"}));
    MiscUtil::swap(rev, 2, 2);
    EXPECT_EQ(rev[2], "c");
    EXPECT_THROW(MiscUtil::swap(rev, 0, 5), std::out_of_range);
    EXPECT_THROW(MiscUtil::swap(rev, -1, 0), std::out_of_range);
}

TEST(MiscUtilTest, DateStrings) {
    // The clock may tick between the two reads; take the text that matches either.
    auto format = [](const char* pattern) {
        std::time_t now = std::time(nullptr);
        std::tm t{};
        localtime_r(&now, &t);
        char buf[64];
        std::strftime(buf, sizeof buf, pattern, &t);
        return std::string(buf);
    };
    std::string before = format("%m-%d-%y");
    std::string date = MiscUtil::getCurrentDateString();
    EXPECT_TRUE(date == before || date == format("%m-%d-%y")) << date;

    std::string stamp = MiscUtil::getCurrentDateTimeString();
    ASSERT_TRUE(std::regex_match(stamp, std::regex(R"((\d\d)-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d) (AM|PM))"))) << stamp;
    int hour = std::stoi(stamp.substr(9, 2));
    EXPECT_GE(hour, 1);
    EXPECT_LE(hour, 12);
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    EXPECT_EQ(stamp.substr(18), t.tm_hour < 12 ? "AM" : "PM");
}

TEST(MiscUtilTest, ConcurrentDateTimeStringsStayWhole) {
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    std::regex shape(R"(\d\d-\d\d-\d\d \d\d:\d\d:\d\d (AM|PM))");
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            for (int k = 0; k < 500; ++k) {
                if (!std::regex_match(MiscUtil::getCurrentDateTimeString(), shape)) ++bad;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(MiscUtilTest, PrintTimerLogsElapsedAtVerboseOnly) {
    rltest::TempWorkDir dir;
    Logger::close();
    Logger::setLogFilePath("default.log");
    Logger::setLevel(Logger::LEVEL_INFO);
    MiscUtil::resetTimer();
    MiscUtil::printTimer("hidden");
    Logger::setLevel(Logger::LEVEL_VERBOSE);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    MiscUtil::printTimer("loading");
    MiscUtil::printTimer();
    Logger::close();
    Logger::setLevel(Logger::LEVEL_NONE);
    std::string text = rltest::readFile("default.log");
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, std::regex(R"( - (\d+) ms - loading\n)"))) << text;
    EXPECT_GE(std::stoll(m[1]), 30);
    EXPECT_LT(std::stoll(m[1]), 5000);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"( - \d+ ms - \n)"))) << text;
}

TEST(ThreadUtilTest, PlainSleepWithoutToken) {
    auto start = Clock::now();
    ThreadUtil::sleepWithoutAlarm(40);
    EXPECT_GE(msSince(start), 40);
    start = Clock::now();
    ThreadUtil::sleepWithoutAlarm(-5);
    EXPECT_LT(msSince(start), 20);
}

TEST(ThreadUtilTest, SleepOnAWorkerRunsItsCourseWithoutAStop) {
    auto token = std::make_shared<StopToken>();
    ThreadStop::Scope scope(token);
    auto start = Clock::now();
    EXPECT_NO_THROW(ThreadUtil::sleepWithoutAlarm(40));
    EXPECT_GE(msSince(start), 40);
}

TEST(ThreadUtilTest, StopRequestedBeforeTheSleepLeavesAtOnce) {
    auto token = std::make_shared<StopToken>();
    token->requestStop();
    ThreadStop::Scope scope(token);
    auto start = Clock::now();
    EXPECT_THROW(ThreadUtil::sleepWithoutAlarm(10000), ThreadStopped);
    EXPECT_THROW(ThreadUtil::sleepWithoutAlarm(0), ThreadStopped);
    EXPECT_LT(msSince(start), 1000);
}

TEST(ThreadUtilTest, StopDuringTheSleepEndsItPromptly) {
    auto token = std::make_shared<StopToken>();
    std::atomic<bool> sleeping{false};
    std::atomic<bool> stopped{false};
    std::atomic<Clock::time_point> woke{Clock::time_point{}};
    std::thread worker([&] {
        ThreadStop::Scope scope(token);
        sleeping = true;
        try {
            ThreadUtil::sleepWithoutAlarm(20000);
        } catch (const std::exception&) {
            // An ordinary handler must not take the stop.
        } catch (...) {
            stopped = true;
        }
        woke = Clock::now();
    });
    ASSERT_TRUE(rltest::waitFor([&] { return sleeping.load(); }, 30000)) << "the worker never started its sleep";
    // Gives the worker time to get into the sleep; the outcome does not
    // depend on it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto requested = Clock::now();
    token->requestStop();
    worker.join();
    EXPECT_TRUE(stopped.load());
    EXPECT_GE(woke.load(), requested) << "the sleep ended before the stop was asked";
    EXPECT_LT(msSince(requested), 1000);
}

TEST(ExceptionUtilTest, ReportTexts) {
    std::string absent = ExceptionUtil::getStackTrace(nullptr);
    EXPECT_EQ(absent.substr(0, absent.find('\n')), "Exception");
    EXPECT_EQ(absent.back(), '\n');

    std::runtime_error failure("x");
    EXPECT_EQ(ExceptionUtil::getStackTrace(failure), "runtime_error: x\n");
    std::string text = ExceptionUtil::getExceptionText(failure);
    EXPECT_EQ(text, "runtime_error: x\nruntime_error: x\n");

    std::string absentText = ExceptionUtil::getExceptionText(nullptr);
    EXPECT_EQ(absentText.rfind("Exception\nException\n", 0), 0u);

    std::logic_error silent("");
    EXPECT_EQ(ExceptionUtil::getStackTrace(silent), "logic_error\n");

    std::string dump = ExceptionUtil::dumpStack();
    EXPECT_EQ(dump.rfind("Exception: StackTrace\n", 0), 0u);
    // The trace names where the call came from.
    EXPECT_NE(dump.find("\tat "), std::string::npos);
}

TEST(ExceptionUtilTest, NestedFailuresListTheirCauses) {
    try {
        try {
            throw std::out_of_range("index 9");
        } catch (...) {
            std::throw_with_nested(std::runtime_error("Could not read page"));
        }
    } catch (const std::exception& e) {
        EXPECT_EQ(ExceptionUtil::typeName(e), "runtime_error");
        // Any type, by its name alone.
        EXPECT_EQ(ExceptionUtil::typeName(typeid(foundation::ExceptionUtil)), "ExceptionUtil");
        EXPECT_EQ(ExceptionUtil::getStackTrace(e), "runtime_error: Could not read page\nCaused by: out_of_range: index 9\n");
        return;
    }
    FAIL() << "nothing was thrown";
}
