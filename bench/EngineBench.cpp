// Figures of the retrieval engine: a whole retrieval against imitation sites
// that take 50 ms per page, the results page of a large installation, and
// the load of a long balance history.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/PeakMemory.h"
#include "foundation/Thread.h"
#include "foundation/Logger.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/core/History.h"
#include "tracker/core/IDisplayer.h"
#include "tracker/core/RLEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/RLSource.h"
#include "tracker/core/SourceConfig.h"

namespace {

using Clock = std::chrono::steady_clock;
using tracker::RLPreferences;

// CPU time of the calling thread.
double threadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Fetches two pages of the bench site, then records a balance.
class BenchSource : public tracker::RLSource {
public:
    BenchSource(std::string key, bool fetch) : m_key(std::move(key)), m_fetch(fetch) {}
    void update() override {
        if (!m_fetch) return;
        const auto start = Clock::now();
        doGet("http://bench.example/first");
        registerBalance(doGet("http://bench.example/second"));
        s_bodyMicros += std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    }
    static inline std::atomic<long long> s_bodyMicros{0};
    const tracker::SourceConfig& getSourceConfig() const override { return *RLPreferences::getConfig(m_key); }

private:
    std::string m_key;
    bool m_fetch;
};

class QuietDisplayer : public tracker::IDisplayer {
public:
    void updateProgress() override {}
    void sourceThreadStarted(const std::shared_ptr<tracker::RLSource>&) override {}
    void refreshResults() override {}
    void done() override {}
    bool cancelCheck() override { return false; }
};

void clearUsers() {
    while (RLPreferences::getUserCount() > 0) RLPreferences::removeUser(0);
}

void registerAll(bool fetch) {
    for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
        const std::string key = RLPreferences::getKey(row);
        tracker::SourceConfig::registerSourceClass(
            key, [key, fetch]() -> std::shared_ptr<tracker::RLSource> { return std::make_shared<BenchSource>(key, fetch); });
    }
}

// Keys of programs that retrieve, in table order.
std::vector<std::string> retrievableKeys() {
    std::vector<std::string> keys;
    for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
        if (RLPreferences::getConfig(row)->isSourcingAllowed()) keys.push_back(RLPreferences::getKey(row));
    }
    return keys;
}

void benchRetrieval(const rltest::TempWorkDir& dir) {
    constexpr int ACCOUNTS = 200;
    constexpr int PAGE_MS = 50;
    constexpr int THREADS = 8;
    rltest::ImitationWeb web;
    web.site("bench.example")
        .on("GET", "/first", rltest::Answer::page("<html>first</html>").delay(PAGE_MS))
        .on("GET", "/second", rltest::Answer::page("1234").delay(PAGE_MS));

    clearUsers();
    registerAll(true);
    const std::vector<std::string> keys = retrievableKeys();
    int made = 0;
    for (int user = 0; made < ACCOUNTS; ++user) {
        RLPreferences::addUser("User " + std::to_string(user), true);
        for (size_t i = 0; i < keys.size() && made < ACCOUNTS; ++i, ++made) {
            RLPreferences::setUsername(user, keys[i], "member" + std::to_string(made));
            RLPreferences::setPreviousBalance(user, keys[i], "1000");
        }
    }
    RLPreferences::setAllCurrentBalancesToPending();
    RLPreferences::setMaxThreadsHigh(THREADS);
    RLPreferences::setThreadPoll(50);

    auto engine = tracker::RLEngine::create();
    engine->setupOutputandURLPaths(dir.path() + "/");
    engine->setDisplayer(std::make_shared<QuietDisplayer>());
    engine->init(std::nullopt, 0, true, true);
    const auto start = Clock::now();
    engine->start();
    while (!engine->join(1000)) {
    }
    const double measured = secondsSince(start);
    const double ideal = std::ceil(static_cast<double>(ACCOUNTS) / THREADS) * 2 * PAGE_MS / 1000.0;
    int recorded = 0;
    for (int user = 0; user < RLPreferences::getUserCount(); ++user) {
        for (const auto& key : keys) recorded += RLPreferences::getPreviousBalance(user, key) == "1234" ? 1 : 0;
    }
    std::printf("retrieval: %d accounts, 2 pages of %d ms each, %d threads, poll 50 ms\n", ACCOUNTS, PAGE_MS,
                THREADS);
    std::printf("  account threads took %.1f ms each on average\n", BenchSource::s_bodyMicros.load() / 1000.0 / ACCOUNTS);
    std::printf("  ideal %.3f s, measured %.3f s, ratio %.3f (%d balances recorded, %zu requests)\n", ideal,
                measured, measured / ideal, recorded, web.requests().size());
}

void benchResultsPage(const rltest::TempWorkDir& dir) {
    constexpr int USERS = 10;
    clearUsers();
    registerAll(false);
    for (int user = 0; user < USERS; ++user) {
        RLPreferences::addUser("User " + std::to_string(user), true);
        for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
            const std::string key = RLPreferences::getKey(row);
            RLPreferences::setUsername(user, key, "member");
            RLPreferences::setPreviousBalance(user, key, std::to_string(1000 + row));
            RLPreferences::setCurrentBalance(user, key, std::to_string(1100 + row * user));
        }
    }
    tracker::History::markHistoryAsExisting();
    auto engine = tracker::RLEngine::create();
    engine->setupOutputandURLPaths(dir.path() + "/");
    engine->init(std::nullopt, 0, true, true);
    constexpr int RUNS = 20;
    engine->writeOutput();  // warm-up; adds the history points once
    const auto start = Clock::now();
    for (int i = 0; i < RUNS; ++i) engine->writeOutput();
    const double each = secondsSince(start) / RUNS;
    std::ifstream page(engine->getBalancesPath(), std::ios::binary | std::ios::ate);
    std::printf("results page: %d users x %d accounts, %.2f ms per page (%lld bytes)\n", USERS,
                RLPreferences::getSourceCount(), each * 1000.0, static_cast<long long>(page.tellg()));
    clearUsers();
}

// The floor of a history load: read the file whole, split it into lines
// and each line into its blank-separated fields, and touch every field.
size_t bareSplit(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string data(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    size_t fields = 0;
    size_t touched = 0;
    const char* p = data.data();
    const char* end = p + data.size();
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (lineEnd == nullptr) lineEnd = end;
        const char* field = p;
        for (const char* c = p; c <= lineEnd; ++c) {
            if (c == lineEnd || *c == ' ') {
                if (c > field) {
                    ++fields;
                    touched += static_cast<unsigned char>(*field);
                }
                field = c + 1;
            }
        }
        p = lineEnd + 1;
    }
    return fields + (touched & 1);
}

void benchHistoryLoad(const rltest::TempWorkDir& dir, int points) {
    {
        std::string text;
        text.reserve(static_cast<size_t>(points) * 32);
        for (int i = 0; i < points; ++i) {
            text += std::to_string(i % 10) + " " + RLPreferences::getConfig(i % 111)->getAbbreviation() + " " +
                    std::to_string(1136073600000LL + i * 60000LL) + " " + std::to_string(1000 + i % 5000) +
                    (i % 3 == 0 ? ".5" : "") + "\n";
        }
        std::ofstream(dir.file("Roamledger.history"), std::ios::binary) << text;
    }
    // Best of three each, taking turns, so that the page cache and other
    // load on the machine weigh on both alike; the thread's CPU time beside
    // the wall time, as other programs on a busy machine do not count there.
    double loaded = 1e9, loadedCpu = 1e9, floor = 1e9, floorCpu = 1e9;
    size_t fields = 0;
    for (int round = 0; round < 3; ++round) {
        tracker::History::reset();
        auto start = Clock::now();
        double cpu = threadCpu();
        tracker::History::load();
        loaded = std::min(loaded, secondsSince(start));
        loadedCpu = std::min(loadedCpu, threadCpu() - cpu);
        start = Clock::now();
        cpu = threadCpu();
        fields = bareSplit(dir.file("Roamledger.history"));
        floor = std::min(floor, secondsSince(start));
        floorCpu = std::min(floorCpu, threadCpu() - cpu);
    }
    const auto lookStart = Clock::now();
    const size_t found = tracker::History::getEntries(3, "AA", false).size();
    std::printf("history: %zu points loaded in %.4f s (CPU %.4f s); the bare split of the file into %zu fields "
                "%.4f s (CPU %.4f s); ratio %.2f (CPU %.2f); one account's points (%zu) found in %.2f ms\n",
                tracker::History::size(), loaded, loadedCpu, fields, floor, floorCpu, loaded / floor,
                loadedCpu / floorCpu, found, secondsSince(lookStart) * 1000.0);
}

}  // namespace

int main() {
    rltest::TempWorkDir dir;
    foundation::Logger::setLogFilePath(dir.file("bench.log"));
    foundation::Logger::setLevel(foundation::Logger::LEVEL_ERROR);
    tracker::History::reset();
    benchRetrieval(dir);
    benchResultsPage(dir);
    benchHistoryLoad(dir, 100000);
    benchHistoryLoad(dir, 1000000);
    std::printf("peak resident size: %.0f MiB\n", static_cast<double>(rlbench::peakKilobytes(::getpid())) / 1024.0);
    return foundation::Thread::endProcess(0);
}
