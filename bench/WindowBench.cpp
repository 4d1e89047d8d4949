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

#include "bench/Installation.h"
#include "bench/PeakMemory.h"
#include "foundation/Thread.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

using tracker::RLPreferences;

namespace {

void prepare(const std::string& folder) {
    rlbench::prepareInstallation(folder, std::string(RL_SOURCE_ROOT) + "/resources/images/Roamledger.ico",
                                 tracker::ui::BaseRLApp::APP_TYPE_FARHAVEN);
}

struct Round {
    double shownByProgram = -1;    // ms from the program's main
    double shownFromLaunch = -1;   // ms from before the program was started
    double retrievalShown = -1;    // ms from the press
    double peakMiB = -1;           // the program and its web engine processes
};

double number(const std::string& line, const std::string& label) {
    auto at = line.find(label);
    if (at == std::string::npos) return -1;
    return std::atof(line.c_str() + at + label.size());
}

// The sampler counts this program too; its own peak is taken off.
double peakOfThisProgram() { return static_cast<double>(rlbench::peakKilobytes(::getpid())) / 1024.0; }

Round runOnce(const std::string& folder) {
    Round round;
    const std::string command = "'" RL_WINDOW_PROGRAM "' '" + folder + "' --timing 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    rlbench::PeakSampler peak;
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
    round.peakMiB = peak.stop() - peakOfThisProgram();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::cerr << "round ended with status " << status << "\n";
    return round;
}

// The bare web view on the results page the window program wrote: its
// figure from its start, and its peak resident size.
std::pair<double, double> runBare(const std::string& folder) {
    const std::string url = tracker::BaseEngine::toFileURL(folder + "/Roamledger.html");
    const std::string command = "'" RL_BARE_WEB_VIEW "' '" + url + "' --width 800 --height 600 2>/dev/null";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        ::pclose(pipe);
    }
    const size_t painted = output.find("painted ");
    const size_t peak = output.find("peak ");
    if (painted == std::string::npos || peak == std::string::npos) return {-1, -1};
    return {std::atof(output.c_str() + painted + 8), std::atof(output.c_str() + peak + 5)};
}

using rlbench::median;

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
    std::printf("install folder: %d users x %d programs, settings %ju bytes\n", rlbench::USERS, RLPreferences::getSourceCount(),
                static_cast<uintmax_t>(settings));

    std::vector<double> byProgram, fromLaunch, retrieval, peaks, bare, barePeaks;
    for (int i = 0; i < rounds; ++i) {
        Round r = runOnce(folder);
        std::printf("round %d: results page shown %.0f ms after main (%.0f ms after launch); retrieval page %.0f ms "
                    "after the press; peak %.0f MiB\n",
                    i + 1, r.shownByProgram, r.shownFromLaunch, r.retrievalShown, r.peakMiB);
        if (r.shownByProgram >= 0) byProgram.push_back(r.shownByProgram);
        if (r.shownFromLaunch >= 0) fromLaunch.push_back(r.shownFromLaunch);
        if (r.retrievalShown >= 0) retrieval.push_back(r.retrievalShown);
        if (r.peakMiB >= 0) peaks.push_back(r.peakMiB);
        const auto [shown, peak] = runBare(folder);
        std::printf("bare %d: the same page shown %.0f ms after main; peak %.0f MiB\n", i + 1, shown, peak);
        if (shown >= 0) bare.push_back(shown);
        if (peak >= 0) barePeaks.push_back(peak);
    }
    std::printf("start to first showing of the results page: median %.0f ms from launch (%.0f ms from main), "
                "best %.0f ms\n",
                median(fromLaunch), median(byProgram),
                fromLaunch.empty() ? -1 : *std::min_element(fromLaunch.begin(), fromLaunch.end()));
    std::printf("retrieve pressed to the retrieval's page shown: median %.0f ms, best %.0f ms\n", median(retrieval),
                retrieval.empty() ? -1 : *std::min_element(retrieval.begin(), retrieval.end()));
    std::printf("peak resident size, web engine processes included: window %.0f MiB, bare web view %.0f MiB "
                "(medians)\n",
                median(peaks), median(barePeaks));
    std::printf("bare web view: results page shown median %.0f ms from main\n", median(bare));
    std::printf("ratio %.2f\n", median(bare) > 0 ? median(byProgram) / median(bare) : -1.0);
    return foundation::Thread::endProcess(0);
}
