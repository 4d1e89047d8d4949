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

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
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
// A run pauses this long before its first line of work; its log is read
// only from a little before then.
constexpr auto PAUSE = std::chrono::milliseconds(5000);
constexpr auto WATCH_FROM = std::chrono::milliseconds(4500);
// Generous for a loaded machine.
constexpr auto RUN_LIMIT = std::chrono::seconds(120);

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
    std::string log;
    size_t logRead = 0;
    size_t scanned = 0;
    int moves = 0;
    bool validating = false;
    bool overwriting = false;
    Clock::time_point marker;
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
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Reads what the run's log gained since the last look.
void readLog(Trial& trial) {
    int fd = ::open((trial.folder + "/Vantrell.log").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char buffer[65536];
    ssize_t n;
    while ((n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(trial.logRead))) > 0) {
        trial.log.append(buffer, static_cast<size_t>(n));
        trial.logRead += static_cast<size_t>(n);
    }
    ::close(fd);
    size_t end = trial.log.rfind('\n');
    if (end == std::string::npos || end < trial.scanned) return;
    const Clock::time_point seen = Clock::now();
    for (size_t at = trial.scanned; at < end;) {
        size_t next = trial.log.find('\n', at);
        std::string_view line(trial.log.data() + at, next - at);
        if (!trial.validating && line.find(VALIDATING) != std::string_view::npos) {
            trial.validating = true;
            if (trial.moment == Trial::AFTER_VALIDATING) trial.marker = seen;
        }
        if (line.find(MOVED) != std::string_view::npos) ++trial.moves;
        if (!trial.overwriting && line.find(OVERWRITING) != std::string_view::npos) {
            trial.overwriting = true;
            if (trial.moment == Trial::AFTER_OVERWRITING) trial.marker = seen;
        }
        at = next + 1;
    }
    trial.scanned = end + 1;
}

// Whether the run has reached the moment it is to be killed at.
bool due(const Trial& trial) {
    const auto after = [&](bool seen) {
        return seen && Clock::now() >= trial.marker + std::chrono::microseconds(trial.delayUs);
    };
    switch (trial.moment) {
        case Trial::AFTER_VALIDATING: return after(trial.validating);
        case Trial::AT_MOVE: return trial.moves >= trial.move;
        case Trial::AFTER_OVERWRITING: return after(trial.overwriting);
        case Trial::UNCUT_RUN: return false;
    }
    return false;
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

// Kills and reaps whatever runs are left when the test ends early.
struct Reaper {
    std::vector<Trial>& runs;
    ~Reaper() {
        for (Trial& run : runs) {
            if (run.pid <= 0 || run.ended) continue;
            ::kill(run.pid, SIGKILL);
            ::waitpid(run.pid, nullptr, 0);
        }
    }
};

TEST(VantrellKill, AnInstallStoppedAtAnyMomentLeavesEveryFileWholeOldOrNew) {
    static_assert(WATCH_FROM < PAUSE);
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

    // One loop starts the runs slot by slot, reads their logs, kills them
    // on time and reaps them.
    const Clock::time_point begin = Clock::now();
    for (size_t i = 0; i < runs.size(); ++i) runs[i].startAt = begin + SLOT * static_cast<int>(i);
    size_t left = runs.size();
    while (left > 0) {
        const Clock::time_point now = Clock::now();
        ASSERT_LT(now - begin, RUN_LIMIT) << "runs still going";
        for (Trial& run : runs) {
            if (run.ended) continue;
            if (run.pid < 0) {
                if (now < run.startAt) continue;
                run.pid = start(run.folder);
                ASSERT_GT(run.pid, 0);
                continue;
            }
            if (run.moment != Trial::UNCUT_RUN && !run.killSent && now >= run.startAt + WATCH_FROM) {
                readLog(run);
                if (due(run)) {
                    // A run that has ended is a zombie until reaped: its pid
                    // stays ours.
                    ::kill(run.pid, SIGKILL);
                    run.killSent = true;
                }
            }
            int status = 0;
            if (::waitpid(run.pid, &status, WNOHANG) != run.pid) continue;
            run.ended = true;
            --left;
            run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
            if (run.moment == Trial::UNCUT_RUN) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << run.folder;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
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
