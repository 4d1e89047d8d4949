// Start-up of the tracker window with 10 users x 111 accounts: the time from
// starting roamledger-window to the first showing of its results page, and
// from pressing the retrieve button to the page of the running retrieval.
// Run it under a display (xvfb-run). The program measured is the window
// program with a stand-in adapter for every program of the table, whose
// account threads contact no site.
//
//     WindowBench [--rounds N] [--prepare-only FOLDER]
//
// --prepare-only writes the install folder (settings, icon) and ends, for
// looking at the window by hand.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Thread.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

using tracker::RLPreferences;

namespace {

constexpr int USERS = 10;

// The settings of a well-used installation: every program for every user,
// with balances, details and activity.
void prepare(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::error_code ec;
    std::filesystem::copy_file(std::string(RL_SOURCE_ROOT) + "/resources/images/Roamledger.ico",
                               folder + "/Roamledger.ico", std::filesystem::copy_options::overwrite_existing, ec);
    const std::string previous = std::filesystem::current_path().string();
    std::filesystem::current_path(folder);
    tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_FARHAVEN);
    RLPreferences::setStatsReporter([](const std::string&, const std::string&, const std::optional<std::string>&,
                                       int) {});
    RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
    const std::string details =
        "<tr class=l><td>&nbsp;Member Since</td><td class=r>&nbsp;01/02/1999</td></tr>"
        "<tr class=d><td>&nbsp;Status</td><td class=r>&nbsp;Gold \xC3\xA9lite</td></tr>";
    for (int u = 0; u < USERS; ++u) {
        if (u == 0) {
            RLPreferences::renameUser(0, "Traveller 1");
        } else {
            RLPreferences::addUser("Traveller " + std::to_string(u + 1));
        }
        for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
            const std::string key = RLPreferences::getKey(row);
            RLPreferences::setUsername(u, key, "member" + std::to_string(u * 1000 + row));
            RLPreferences::setPassword(u, key, "pass-" + std::to_string(row));
            RLPreferences::setCurrentBalance(u, key, std::to_string(1000 + row * 37 + u));
            RLPreferences::setDetails(u, key, details);
        }
    }
    RLPreferences::savePrefs();
    std::filesystem::current_path(previous);
}

struct Round {
    double shownByProgram = -1;    // ms from the program's main
    double shownFromLaunch = -1;   // ms from before the program was started
    double retrievalShown = -1;    // ms from the press
};

double number(const std::string& line, const std::string& label) {
    auto at = line.find(label);
    if (at == std::string::npos) return -1;
    return std::atof(line.c_str() + at + label.size());
}

Round runOnce(const std::string& folder) {
    Round round;
    const std::string command = "'" RL_WINDOW_PROGRAM "' '" + folder + "' --timing 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return round;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        const std::string line = buffer;
        if (line.find("results page shown: ") != std::string::npos) {
            round.shownFromLaunch =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            round.shownByProgram = number(line, "results page shown: ");
        } else if (line.find("retrieval page shown: ") != std::string::npos) {
            round.retrievalShown = number(line, "retrieval page shown: ");
        }
    }
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::cerr << "round ended with status " << status << "\n";
    return round;
}

double median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--prepare-only" && i + 1 < argc) {
            prepare(std::filesystem::absolute(argv[i + 1]).string());
            std::cout << "prepared " << argv[i + 1] << "\n";
            return 0;
        }
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::cerr << "usage: WindowBench [--rounds N] [--prepare-only FOLDER]\n";
            return 2;
        }
    }
    if (!std::getenv("DISPLAY")) {
        std::cerr << "WindowBench: no display; run it under xvfb-run\n";
        return 1;
    }
    rltest::TempWorkDir dir;
    const std::string folder = dir.path() + "/install";
    prepare(folder);
    const auto settings = std::filesystem::file_size(folder + "/Roamledger.settings");
    std::printf("install folder: %d users x %d programs, settings %ju bytes\n", USERS, RLPreferences::getSourceCount(),
                static_cast<uintmax_t>(settings));

    std::vector<double> byProgram, fromLaunch, retrieval;
    for (int i = 0; i < rounds; ++i) {
        Round r = runOnce(folder);
        std::printf("round %d: results page shown %.0f ms after main (%.0f ms after launch); retrieval page %.0f ms "
                    "after the press\n",
                    i + 1, r.shownByProgram, r.shownFromLaunch, r.retrievalShown);
        if (r.shownByProgram >= 0) byProgram.push_back(r.shownByProgram);
        if (r.shownFromLaunch >= 0) fromLaunch.push_back(r.shownFromLaunch);
        if (r.retrievalShown >= 0) retrieval.push_back(r.retrievalShown);
    }
    std::printf("start to first showing of the results page: median %.0f ms from launch (%.0f ms from main), "
                "best %.0f ms\n",
                median(fromLaunch), median(byProgram),
                fromLaunch.empty() ? -1 : *std::min_element(fromLaunch.begin(), fromLaunch.end()));
    std::printf("retrieve pressed to the retrieval's page shown: median %.0f ms, best %.0f ms\n", median(retrieval),
                retrieval.empty() ? -1 : *std::min_element(retrieval.begin(), retrieval.end()));
    return foundation::Thread::endProcess(0);
}
