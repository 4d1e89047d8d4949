// PortalStartBench [RUNS]
//
// Time from the start of the Lanternbay process to the first content page
// painted in its window, under a display (run it under xvfb-run), beside the
// same figure of a bare program that shows one web view of the same page
// (bare-web-view: the floor of any program on the embedded browser). Each
// run is a process of its own (this program again, with --child FOLDER) on a
// fresh install folder made from the build's one: the portal is started by
// hand, which opens the window with the map page and starts the first
// refresh; once the inner pane's page shows on the screen, the tracker is
// opened on 10 users of every program, for the peak memory. Portal and bare
// runs take turns. Prints every run, the medians, the peak resident sizes
// (web engine processes included) and last "ratio R", the portal's median
// over the bare view's.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/Installation.h"
#include "bench/PeakMemory.h"
#include "foundation/Thread.h"
#include "platform/com/Registration.h"
#include "platform/toolkit/qt/QtBackend.h"
#include "portal/LBApp.h"
#include "tests/portal/window/OnScreen.h"
#include "tests/portal/window/PrefFile.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/RLEngine.h"
#include "tracker/ui/RLAppLanternbay.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point g_start = Clock::now();

long long sinceStart() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start).count();
}

const char* const INNER_PAGE = "mapquest-inner.html";

int child(const std::string& folder) {
    rlbench::PeakSampler peak;
    if (::chdir(folder.c_str()) != 0) return 2;
    ::setenv("RL_REGISTRY_DIR", (folder + "/registry").c_str(), 1);
    tk::qt::registerBackend();
    tk::Display display("qt");
    long long painted = -1;
    bool trackerShown = false;
    tk::Rectangle pane{};
    {
        portal::LBApp app(false);
        tk::Browser* inner = app.getInnerBrowser();
        if (inner != nullptr &&
            rltest::onscreen::waitUntilPainted(display, *inner, app.contentUrl(INNER_PAGE), 60000)) {
            const QPoint corner = tk::qt::nativeWidget(*app.getShell())->mapToGlobal(QPoint(0, 0));
            pane = inner->getBounds();
            const tk::Rectangle area{corner.x() + pane.x, corner.y() + pane.y, pane.width, pane.height};
            // Drawn: the page's heading and form show, not an empty pane.
            const QRect heading(0, 0, pane.width, 120);
            if (tk::qt::runUntil(
                    display, [&] { return rltest::colours(rltest::onscreen::grabScreen(area), heading, 1, 8) >= 8; },
                    60000)) {
                painted = sinceStart();
            }
        }
        if (painted >= 0) {
            // Printed now: the tracker's clean-up ends the process itself.
            std::cout << "painted " << painted << "\npane " << pane.width << " " << pane.height << std::endl;
            // The tracker on a large installation, for the memory figure.
            app.initRoamledger();
            if (auto* tracker = app.getTrackerWindow(); tracker != nullptr && tracker->getBrowser() != nullptr) {
                const std::string results = tracker::BaseEngine::toFileURL(tracker->getEngine()->getBalancesPath());
                trackerShown = rltest::onscreen::waitUntilPainted(display, *tracker->getBrowser(), results, 60000);
            }
            std::cout << "peak " << peak.stop() << (trackerShown ? "" : " (the tracker did not show)") << std::endl;
        }
        app.exit();
        app.afterEventLoop();
    }
    return painted < 0 ? 1 : 0;
}

// A fresh install folder as the portal's runs start from.
std::string makeFolder() {
    const std::string folder = rltest::makeTempDirectory("portal-bench-");
    for (const char* entry : {"content", "images", "Lanternbay.ico", "Roamledger.ico", "Lanternbay.versions"}) {
        std::filesystem::copy(std::string(RL_INSTALL_DIR) + "/" + entry, folder + "/" + entry,
                              std::filesystem::copy_options::recursive);
    }
    // A preference file of an earlier run, so that no first-run form opens.
    rltest::portaltest::writePreferenceFile(folder);
    // Tiraleaf.so registered as its installer does, before the start.
    ::setenv("RL_REGISTRY_DIR", (folder + "/registry").c_str(), 1);
    com::registerModule(TIRALEAF_MODULE);
    ::unsetenv("RL_REGISTRY_DIR");
    return folder;
}

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        ::pclose(pipe);
    }
    return output;
}

// The figure of the line that starts with label (the portal echoes its log
// to the same output). The child writes its figures through iostream, whose
// locale is the classic one, and this side never makes a display, so atof
// and printf here keep the C locale that Qt would replace.
double field(const std::string& output, const std::string& label) {
    const std::string start = label + " ";
    size_t at = output.rfind(start, 0) == 0 ? 0 : output.find("\n" + start);
    if (at == std::string::npos) return -1;
    if (output[at] == '\n') ++at;
    return std::atof(output.c_str() + at + start.size());
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
    // The runs start this program again, from whatever folder.
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    // The tracker's settings: 10 users of every program, for every run.
    rltest::TempWorkDir prepared;
    rlbench::prepareInstallation(prepared.path(), std::string(RL_INSTALL_DIR) + "/Roamledger.ico",
                                 tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    std::vector<long long> portal, bare;
    std::vector<double> portalPeak, barePeak;
    int paneWidth = portal::LBApp::INNER_BROWSER_WIDTH;
    int paneHeight = portal::LBApp::INNER_BROWSER_HEIGHT;
    for (int i = 0; i < runs; ++i) {
        std::string folder = makeFolder();
        std::filesystem::copy_file(prepared.path() + "/Roamledger.settings", folder + "/Roamledger.settings");
        std::string output = run("'" + self + "' --child '" + folder + "'");
        std::filesystem::remove_all(folder);
        if (field(output, "painted") < 0) {
            std::cout << "run " << (i + 1) << ": no page painted" << std::endl;
        } else {
            portal.push_back(static_cast<long long>(field(output, "painted")));
            portalPeak.push_back(field(output, "peak"));
            std::sscanf(output.c_str() + output.find("\npane ") + 1, "pane %d %d", &paneWidth, &paneHeight);
            std::cout << "run " << (i + 1) << ": first content page painted " << portal.back()
                      << " ms after the start; peak " << portalPeak.back() << " MiB with the tracker open"
                      << std::endl;
        }

        folder = makeFolder();
        const std::string url = tracker::BaseEngine::toFileURL(folder + "/content/" + INNER_PAGE);
        output = run("'" RL_BARE_WEB_VIEW "' '" + url + "' --colours --width " + std::to_string(paneWidth) +
                     " --height " + std::to_string(paneHeight));
        std::filesystem::remove_all(folder);
        if (field(output, "painted") < 0) {
            std::cout << "bare " << (i + 1) << ": no page painted" << std::endl;
        } else {
            bare.push_back(static_cast<long long>(field(output, "painted")));
            barePeak.push_back(field(output, "peak"));
            std::cout << "bare " << (i + 1) << ": painted " << bare.back() << " ms after the start; peak "
                      << barePeak.back() << " MiB" << std::endl;
        }
    }
    if (portal.empty() || bare.empty()) return 1;
    std::cout << "portal: best " << *std::min_element(portal.begin(), portal.end()) << " ms, median "
              << rlbench::median(portal) << " ms of " << portal.size() << " runs; peak median "
              << rlbench::median(portalPeak) << " MiB" << std::endl;
    std::cout << "bare web view: best " << *std::min_element(bare.begin(), bare.end()) << " ms, median "
              << rlbench::median(bare) << " ms of " << bare.size() << " runs; peak median "
              << rlbench::median(barePeak) << " MiB" << std::endl;
    std::printf("ratio %.2f\n", static_cast<double>(rlbench::median(portal)) / static_cast<double>(rlbench::median(bare)));
    return 0;
}
