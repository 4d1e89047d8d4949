// A process killed while it saves history points never leaves a wrong point
// behind: the points loaded afterwards are exactly the ones written whole,
// each once, and the next save mends the file.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tracker/core/History.h"

namespace {

using tracker::History;
using tracker::HistoryEntry;

constexpr int USERS = 5;
constexpr int POINTS_PER_SAVE = 2000;

off_t sizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

pid_t startDriver(int64_t firstTime) {
    std::string first = std::to_string(firstTime);
    std::string count = std::to_string(POINTS_PER_SAVE);
    std::vector<char*> argv{const_cast<char*>(HISTORY_SAVE_DRIVER), first.data(), count.data(), nullptr};
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(HISTORY_SAVE_DRIVER, argv.data());
        ::_exit(127);
    }
    return pid;
}

// Loads the file afresh and checks every point: recognisable from its time,
// each time once, with no gap from `first` on. Answers the next time.
int64_t checkLoadedPoints(int64_t first, const std::string& context) {
    History::reset();
    std::vector<int64_t> times;
    for (int user = 0; user < USERS; ++user) {
        int64_t previous = -1;
        for (const HistoryEntry& e : History::getEntries(user, "KD", false)) {
            EXPECT_EQ(e.getDate() % USERS, user) << context << ": point at " << e.getDate() << " of the wrong user";
            EXPECT_EQ(e.getBalance(), static_cast<float>(e.getDate()) + 0.25f)
                << context << ": point at " << e.getDate() << " has a wrong balance";
            EXPECT_GT(e.getDate(), previous) << context << ": points out of order";
            previous = e.getDate();
            times.push_back(e.getDate());
        }
    }
    EXPECT_EQ(History::size(), times.size()) << context << ": points of another user or program";
    std::sort(times.begin(), times.end());
    for (size_t i = 0; i < times.size(); ++i) {
        if (times[i] != first + static_cast<int64_t>(i)) {
            ADD_FAILURE() << context << ": point " << first + static_cast<int64_t>(i) << " missing or doubled";
            break;
        }
    }
    return first + static_cast<int64_t>(times.size());
}

TEST(HistoryKillTest, KilledSavesLeaveOnlyWholePoints) {
    rltest::TempWorkDir dir;
    const std::string file = dir.file("Roamledger.history");
    std::random_device seedSource;
    const unsigned seed = seedSource();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    SCOPED_TRACE("random seed " + std::to_string(seed));

    constexpr int FILES = 10;
    constexpr int KILLS_PER_FILE = 10;
    int unfinished = 0;
    for (int f = 0; f < FILES && !HasFailure(); ++f) {
        ::unlink(file.c_str());
        int64_t next = 1;
        for (int k = 0; k < KILLS_PER_FILE && !HasFailure(); ++k) {
            const std::string context = "file " + std::to_string(f) + ", kill " + std::to_string(k);
            const off_t before = sizeOf(file);
            pid_t pid = startDriver(next);
            ASSERT_GT(pid, 0);
            bool grew = rltest::waitFor([&] { return sizeOf(file) > before; }, 30000);
            // The kill lands at a random moment of the saves that follow.
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            ASSERT_TRUE(grew) << context << ": the driver never saved";
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
                << context << ": the driver ended by itself with status " << status;

            // A kill lands inside the few microseconds of the write itself
            // only now and then; every other round the file is also cut at a
            // random byte of its end, as such a kill leaves it.
            if (k % 2 == 1) {
                const off_t size = sizeOf(file);
                const off_t cut = size - std::uniform_int_distribution<off_t>(1, std::min<off_t>(size, 4000))(random);
                ASSERT_EQ(::truncate(file.c_str(), cut), 0);
            }
            const std::string data = rltest::readFile(file);
            if (!data.empty() && data.back() != '\n') ++unfinished;
            next = checkLoadedPoints(1, context);
        }
    }
    // How often a kill cut a line; the check above holds either way.
    std::cout << FILES * KILLS_PER_FILE << " kills, " << unfinished << " left an unfinished last line\n";
    EXPECT_GT(unfinished, 0) << "no round left a line to mend";
    History::reset();
}

}  // namespace
