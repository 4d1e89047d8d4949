// PortalStartBench [RUNS]
//
// Time from the start of the Lanternbay process to the first content page
// painted in its window, under a display (run it under xvfb-run). Each run
// is a process of its own (this program again, with --child FOLDER) on a
// fresh install folder made from the build's one: the portal is started by
// hand, which opens the window with the map page and starts the first
// refresh, and the run ends once the inner pane's page shows on the screen.
// Prints every run and the best and middle figures.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/Thread.h"
#include "platform/com/Registration.h"
#include "platform/toolkit/qt/QtBackend.h"
#include "portal/LBApp.h"
#include "tests/portal/window/OnScreen.h"
#include "tests/portal/window/PrefFile.h"
#include "tests/support/TempWorkDir.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();

long long sinceStart() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start).count();
}

int child(const std::string& folder) {
    if (::chdir(folder.c_str()) != 0) return 2;
    ::setenv("RL_REGISTRY_DIR", (folder + "/registry").c_str(), 1);
    com::registerModule(TIRALEAF_MODULE);
    tk::qt::registerBackend();
    tk::Display display("qt");
    long long painted = -1;
    {
        portal::LBApp app(false);
        tk::Browser* inner = app.getInnerBrowser();
        if (inner != nullptr &&
            rltest::onscreen::waitUntilPainted(display, *inner, app.contentUrl("mapquest-inner.html"), 60000)) {
            const QPoint corner = tk::qt::nativeWidget(*app.getShell())->mapToGlobal(QPoint(0, 0));
            const tk::Rectangle pane = inner->getBounds();
            const tk::Rectangle area{corner.x() + pane.x, corner.y() + pane.y, pane.width, pane.height};
            // Drawn: the page's heading and form show, not an empty pane.
            const QRect heading(0, 0, pane.width, 120);
            if (tk::qt::runUntil(
                    display, [&] { return rltest::colours(rltest::onscreen::grabScreen(area), heading, 1, 8) >= 8; },
                    60000)) {
                painted = sinceStart();
            }
        }
        app.exit();
        app.afterEventLoop();
    }
    if (painted < 0) return 1;
    std::cout << "painted " << painted << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return foundation::Thread::endProcess(child(argv[2]));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const char* x = std::getenv("DISPLAY");
    if (x == nullptr || *x == '\0') {
        std::cerr << "PortalStartBench: no display; run it under xvfb-run\n";
        return 2;
    }
    std::vector<long long> figures;
    for (int i = 0; i < runs; ++i) {
        const std::string folder = rltest::makeTempDirectory("portal-bench-");
        for (const char* entry : {"content", "images", "Lanternbay.ico", "Roamledger.ico"}) {
            std::filesystem::copy(std::string(RL_INSTALL_DIR) + "/" + entry, folder + "/" + entry,
                                  std::filesystem::copy_options::recursive);
        }
        // A preference file of an earlier run, so that no first-run form opens.
        rltest::portaltest::writePreferenceFile(folder);
        const std::string command = "'" + std::string(argv[0]) + "' --child '" + folder + "' 2>/dev/null";
        std::string output;
        if (FILE* run = ::popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, run) != nullptr) output += buffer;
            ::pclose(run);
        }
        std::filesystem::remove_all(folder);
        const size_t at = output.find("painted ");
        if (at == std::string::npos) {
            std::cout << "run " << (i + 1) << ": no page painted" << std::endl;
            continue;
        }
        figures.push_back(std::atoll(output.c_str() + at + 8));
        std::cout << "run " << (i + 1) << ": first content page painted " << figures.back()
                  << " ms after the start" << std::endl;
    }
    if (figures.empty()) return 1;
    std::sort(figures.begin(), figures.end());
    std::cout << "best " << figures.front() << " ms, median " << figures[figures.size() / 2] << " ms of "
              << figures.size() << " runs" << std::endl;
    return 0;
}
