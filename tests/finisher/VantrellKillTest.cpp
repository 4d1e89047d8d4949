// The Vantrell program killed with SIGKILL at many moments of an install of
// several hundred files: whenever it stops, the program file, the versions
// file and every installed file are whole, each the old one or the new one,
// and the versions file is new only once every file is.
//
// Every run pauses five seconds before it starts work, so the runs start
// one slot apart and pause side by side. The moments are read from each
// run's log, so that a loaded machine moves them but cannot skip them: a
// growing delay after the first "Validating" line (checks and unpacking),
// the n-th "Moved" line for n over every file (the moves), and a growing
// delay after "Overwriting" (the versions file and the end). Two runs go
// to their end untouched.
//
// Each run's log is a pipe with a one-page buffer that the test drains. A
// run writes its log a line at a time, so it gets at most a page of lines
// ahead of the test's reading: once the test stops draining it at its
// moment, it stops at its next lines and is still alive when the signal
// lands, however slowly the test gets to send it. Only the last lines of
// an install fit in the page, so runs due at the very end may complete.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/TempWorkDir.h"
#include "tests/support/ZipBuilder.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using rltest::fileExists;
using rltest::readFile;
using rltest::ZipItem;

namespace {

constexpr int FILE_COUNT = 400;
// Every tenth file has a new neighbour; the program file moves too.
constexpr int MOVE_COUNT = FILE_COUNT + FILE_COUNT / 10 + 1;
constexpr int UNCUT = 2;
constexpr int KILLS_WHILE_CHECKING = 12;
constexpr int KILLS_AT_MOVES = 72;
constexpr int KILLS_AT_THE_END = 16;
constexpr auto SLOT = std::chrono::milliseconds(100);
// Generous for a loaded machine.
constexpr auto RUN_LIMIT = std::chrono::seconds(120);
// The buffer of each run's log pipe: how far a run can write past the
// moment it is due at (the kernel's smallest, one page).
constexpr int PIPE_BUFFER = 4096;
// The longest the test sleeps between looks: a run that ended is reaped
// within it.
constexpr auto LOOK = std::chrono::milliseconds(1);
static_assert(LOOK < std::chrono::seconds(1));

const std::string OLD_VERSIONS = "#old\ncore=12\n";
const std::string NEW_VERSIONS = "#new\ncore=13\n";

std::string program(bool fresh) {
    // The relaunched program ends at once; lengths differ so that a file
    // cut short is never taken for a whole one.
    return fresh ? "#!/bin/sh\n# the new Lanternbay\nexit 0\n#" + std::string(9000, 'n') + "\n"
                 : "#!/bin/sh\n# the old Lanternbay\nexit 0\n#" + std::string(5000, 'o') + "\n";
}

std::string relative(int i) { return "content/d" + std::to_string(i % 20) + "/f" + std::to_string(i) + ".txt"; }

std::string content(int i, bool fresh) {
    return (fresh ? "new " : "old ") + std::to_string(i) + "\n" +
           std::string(fresh ? 600 + i : 300 + i, fresh ? 'N' : 'O');
}

std::string added(int i) { return "added/a" + std::to_string(i) + ".txt"; }

const std::string& archive() {
    static const std::string bytes = [] {
        std::vector<ZipItem> items;
        for (int i = 0; i < FILE_COUNT; ++i) {
            items.push_back(ZipItem::file(relative(i), content(i, true)));
            if (i % 10 == 0) items.push_back(ZipItem::file(added(i), content(i, true)));
            if (i == FILE_COUNT / 2) items.push_back(ZipItem::file("Lanternbay", program(true), 0755));
        }
        return rltest::buildZip(items);
    }();
    return bytes;
}

// One run of the program: where it runs, when it starts, the moment it is
// killed at, and what became of it.
struct Trial {
    enum Moment { UNCUT_RUN, AFTER_VALIDATING, AT_MOVE, AFTER_OVERWRITING };
    Moment moment = UNCUT_RUN;
    int64_t delayUs = 0;  // after the marker line
    int move = 0;         // the n-th "Moved" line
    std::string folder;
    Clock::time_point startAt;
    pid_t pid = -1;
    int logPipe = -1;
    std::string tail;  // the log's last line while it is not whole
    int moves = 0;
    bool validating = false;
    bool overwriting = false;
    std::optional<Clock::time_point> marker;  // when the line a delay runs from was read
    bool killSent = false;
    bool ended = false;
    bool killed = false;
};

constexpr const char* VALIDATING = " - Validating ";
constexpr const char* MOVED = " - Moved: ";
constexpr const char* OVERWRITING = " - Overwriting ";

void prepare(const std::string& folder) {
    for (int i = 0; i < FILE_COUNT; ++i) {
        fs::create_directories((fs::path(folder) / relative(i)).parent_path());
        rltest::writeFile(folder + "/" + relative(i), content(i, false));
    }
    rltest::writeFile(folder + "/Lanternbay", program(false));
    ::chmod((folder + "/Lanternbay").c_str(), 0755);
    rltest::writeFile(folder + "/Lanternbay.versions", OLD_VERSIONS);
    fs::create_directories(folder + "/upgrades");
    rltest::writeFile(folder + "/upgrades/core13.zip", archive());
    rltest::writeFile(folder + "/upgrades/Lanternbay.versions.tmp", NEW_VERSIONS);
}

// Makes the run's log a pipe and opens it for reading, before the run
// starts: without a reader the program's open for writing would wait.
void openLog(Trial& trial) {
    const std::string path = trial.folder + "/Vantrell.log";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path << ": " << std::strerror(errno);
    trial.logPipe = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(trial.logPipe, 0) << path << ": " << std::strerror(errno);
    ASSERT_GE(::fcntl(trial.logPipe, F_SETPIPE_SZ, PIPE_BUFFER), 0) << std::strerror(errno);
}

void closeLog(Trial& trial) {
    if (trial.logPipe >= 0) ::close(trial.logPipe);
    trial.logPipe = -1;
}

// Spawned rather than forked: a copy of the test's memory for each run
// would hold the loop up.
pid_t start(const std::string& folder) {
    std::vector<std::string> args = {VANTRELL_PATH,
                                      folder + "/upgrades",
                                      folder,
                                      "Lanternbay",
                                      folder + "/upgrades/Lanternbay.versions.tmp",
                                      folder + "/Lanternbay.versions"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

// Takes note of the marker lines among the whole lines read.
void scanLog(Trial& trial) {
    const Clock::time_point seen = Clock::now();
    size_t at = 0;
    for (size_t next; (next = trial.tail.find('\n', at)) != std::string::npos; at = next + 1) {
        std::string_view line(trial.tail.data() + at, next - at);
        if (!trial.validating && line.find(VALIDATING) != std::string_view::npos) {
            trial.validating = true;
            if (trial.moment == Trial::AFTER_VALIDATING) trial.marker = seen;
        }
        if (line.find(MOVED) != std::string_view::npos) ++trial.moves;
        if (!trial.overwriting && line.find(OVERWRITING) != std::string_view::npos) {
            trial.overwriting = true;
            if (trial.moment == Trial::AFTER_OVERWRITING) trial.marker = seen;
        }
    }
    trial.tail.erase(0, at);
}

// Whether the run has reached the moment it is to be killed at.
bool due(const Trial& trial) {
    switch (trial.moment) {
        case Trial::AFTER_VALIDATING:
        case Trial::AFTER_OVERWRITING:
            return trial.marker && Clock::now() >= *trial.marker + std::chrono::microseconds(trial.delayUs);
        case Trial::AT_MOVE: return trial.moves >= trial.move;
        case Trial::UNCUT_RUN: return false;
    }
    return false;
}

// Drains what the run's log gained since the last look, a buffer at a
// time, until the pipe is empty or the run is due: from then on it is left
// to block on its next lines.
void readLog(Trial& trial) {
    char buffer[PIPE_BUFFER];
    while (!due(trial)) {
        // Nothing yet, or no writer: before the program opens its log, or
        // once it has ended.
        ssize_t n = ::read(trial.logPipe, buffer, sizeof buffer);
        if (n <= 0) return;
        trial.tail.append(buffer, static_cast<size_t>(n));
        scanLog(trial);
    }
}

// What a stopped install left; failures name the run's folder.
struct Outcome {
    bool versionsNew = false;
    int newFiles = 0;
};

Outcome check(const std::string& folder) {
    Outcome outcome;
    SCOPED_TRACE(folder);
    std::string versions = readFile(folder + "/Lanternbay.versions");
    EXPECT_TRUE(versions == OLD_VERSIONS || versions == NEW_VERSIONS) << "versions file: \"" << versions << "\"";
    outcome.versionsNew = versions == NEW_VERSIONS;

    EXPECT_TRUE(fileExists(folder + "/Lanternbay")) << "the program file is missing";
    std::string exe = readFile(folder + "/Lanternbay");
    EXPECT_TRUE(exe == program(false) || exe == program(true)) << "the program file is cut: " << exe.size();
    bool exeNew = exe == program(true);
    outcome.newFiles += exeNew ? 1 : 0;
    if (outcome.versionsNew) {
        EXPECT_TRUE(exeNew) << "new versions file over the old program";
    }

    for (int i = 0; i < FILE_COUNT; ++i) {
        std::string path = folder + "/" + relative(i);
        if (!fileExists(path)) {
            ADD_FAILURE() << relative(i) << " is missing";
            continue;
        }
        std::string text = readFile(path);
        bool fresh = text == content(i, true);
        EXPECT_TRUE(fresh || text == content(i, false)) << relative(i) << " is neither old nor new";
        if (outcome.versionsNew) {
            EXPECT_TRUE(fresh) << relative(i) << " is old under a new versions file";
        }
        outcome.newFiles += fresh ? 1 : 0;
        if (i % 10 == 0 && fileExists(folder + "/" + added(i))) {
            EXPECT_EQ(readFile(folder + "/" + added(i)), content(i, true)) << added(i) << " is cut";
        }
    }
    return outcome;
}

// The runs' folders: on a memory file system when there is one, since
// what is tried is a killed process, not the disk, and a loaded disk would
// only make the test slow.
struct RunsFolder {
    std::string path;
    explicit RunsFolder(const rltest::TempWorkDir& dir) {
        std::error_code ec;
        if (fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) {
            try {
                path = rltest::makeTempDirectory("/dev/shm/rl-vantrell-kill-");
            } catch (const std::exception&) {
                path.clear();
            }
        }
        if (path.empty()) {
            path = dir.file("runs");
            fs::create_directories(path);
        }
    }
    ~RunsFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Kills and reaps whatever runs are left when the test ends early, and
// closes their logs.
struct Reaper {
    std::vector<Trial>& runs;
    ~Reaper() {
        for (Trial& run : runs) {
            if (run.pid > 0 && !run.ended) {
                ::kill(run.pid, SIGKILL);
                ::waitpid(run.pid, nullptr, 0);
            }
            closeLog(run);
        }
    }
};

TEST(VantrellKill, AnInstallStoppedAtAnyMomentLeavesEveryFileWholeOldOrNew) {
    rltest::TempWorkDir dir;
    RunsFolder base(dir);
    std::vector<Trial> runs;
    auto add = [&](Trial::Moment moment, int64_t delayUs, int move) {
        Trial trial;
        trial.moment = moment;
        trial.delayUs = delayUs;
        trial.move = move;
        runs.push_back(std::move(trial));
    };
    for (int i = 0; i < UNCUT; ++i) add(Trial::UNCUT_RUN, 0, 0);
    for (int i = 0; i < KILLS_WHILE_CHECKING; ++i) add(Trial::AFTER_VALIDATING, 2000 * i, 0);
    for (int i = 0; i < KILLS_AT_MOVES; ++i) add(Trial::AT_MOVE, 0, 1 + i * (MOVE_COUNT - 1) / (KILLS_AT_MOVES - 1));
    for (int i = 0; i < KILLS_AT_THE_END; ++i) add(Trial::AFTER_OVERWRITING, 150 * i, 0);
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].folder = base.path + "/run" + std::to_string(i);
        prepare(runs[i].folder);
    }
    Reaper reaper{runs};

    // One loop starts the runs slot by slot, drains their logs, kills them
    // on time and reaps them; between looks it sleeps until a log gains a
    // line, a run is to start or a delay ends, a LOOK at most.
    const Clock::time_point begin = Clock::now();
    for (size_t i = 0; i < runs.size(); ++i) runs[i].startAt = begin + SLOT * static_cast<int>(i);
    size_t left = runs.size();
    std::vector<pollfd> watched;
    std::vector<Trial*> watchedRuns;
    while (left > 0) {
        const Clock::time_point now = Clock::now();
        ASSERT_LT(now - begin, RUN_LIMIT) << "runs still going";
        for (size_t i = 0; i < watched.size(); ++i) {
            if (watched[i].revents != 0) readLog(*watchedRuns[i]);
        }
        // Every child of the test is a run.
        int status = 0;
        for (pid_t pid; (pid = ::waitpid(-1, &status, WNOHANG)) > 0;) {
            auto run = std::find_if(runs.begin(), runs.end(), [&](const Trial& r) { return r.pid == pid; });
            if (run == runs.end()) continue;
            run->ended = true;
            --left;
            closeLog(*run);
            run->killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
            if (run->moment == Trial::UNCUT_RUN) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << run->folder;
            }
        }
        Clock::time_point wake = now + LOOK;
        watched.clear();
        watchedRuns.clear();
        for (Trial& run : runs) {
            if (run.ended || run.killSent) continue;
            if (run.pid < 0) {
                if (now < run.startAt) {
                    wake = std::min(wake, run.startAt);
                    continue;
                }
                openLog(run);
                if (HasFatalFailure()) return;
                run.pid = start(run.folder);
                ASSERT_GT(run.pid, 0);
            }
            if (due(run)) {
                // A run that has ended is a zombie until reaped: its pid
                // stays ours.
                ::kill(run.pid, SIGKILL);
                run.killSent = true;
                continue;
            }
            watched.push_back({run.logPipe, POLLIN, 0});
            watchedRuns.push_back(&run);
            if (run.marker) wake = std::min(wake, *run.marker + std::chrono::microseconds(run.delayUs));
        }
        const auto sleep = std::max(wake - Clock::now(), Clock::duration::zero());
        const timespec timeout{0, static_cast<long>(std::chrono::nanoseconds(sleep).count())};
        ::ppoll(watched.data(), watched.size(), &timeout, nullptr);
    }

    // The runs that went to their end installed everything.
    for (const Trial& run : runs) {
        if (run.moment != Trial::UNCUT_RUN) continue;
        Outcome outcome = check(run.folder);
        EXPECT_TRUE(outcome.versionsNew) << run.folder;
        EXPECT_EQ(outcome.newFiles, FILE_COUNT + 1) << run.folder;
        EXPECT_FALSE(fileExists(run.folder + "/upgrades")) << run.folder;
    }
    int kills = 0;
    int untouched = 0;
    int partly = 0;
    int allButVersions = 0;
    int complete = 0;
    for (const Trial& run : runs) {
        if (run.moment == Trial::UNCUT_RUN) continue;
        Outcome outcome = check(run.folder);
        kills += run.killed ? 1 : 0;
        if (outcome.versionsNew) {
            ++complete;
        } else if (outcome.newFiles == FILE_COUNT + 1) {
            ++allButVersions;
        } else if (outcome.newFiles > 0) {
            ++partly;
        } else {
            ++untouched;
        }
    }
    std::cout << kills << " runs killed; left " << untouched << " untouched, " << partly << " partly moved, "
              << allButVersions << " moved but for the versions file, " << complete << " complete" << std::endl;
    EXPECT_GE(kills, 50) << "most runs were to be killed before their end";
}

}  // namespace
