// roamledger-window [FOLDER] [--screenshot FILE.png] [--seconds N] [--timing]
//
// The tracker in a top-level window of its own: opens the window on the
// install folder FOLDER (the current folder when none is given), which is
// then the working folder holding the settings, the history, the log and the
// result pages, and runs until the window is closed. A first start with no
// settings there starts with the default user.
//
// --screenshot saves the window as a PNG once the results page is shown,
// then ends; --seconds ends the program after that many seconds; --timing
// prints, in milliseconds since the program's start, when the results page
// was first shown and then, after pressing the retrieve button, when the
// page of the running retrieval was, and ends. Ending always goes through the
// window's clean-up, which saves the settings and the history; so does an
// interrupt, termination or hang-up signal (Ctrl+C, a session's end), whose
// clean-up logs its failures instead of showing them and ends with status 0.

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "foundation/QuietEnd.h"
#include "foundation/TempFiles.h"
#include "foundation/Thread.h"
#include "platform/system/NumberText.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/qt/QtAccess.h"
#include "platform/toolkit/qt/QtBackend.h"
#include "tracker/core/BaseEngine.h"
#include "tracker/core/RLEngine.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/Upgrader.h"

namespace {

using tracker::ui::BaseRLApp;
using Clock = std::chrono::steady_clock;

const Clock::time_point g_start = Clock::now();

long long sinceStart() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start).count();
}

int usage() {
    std::cerr << "usage: roamledger-window [FOLDER] [--screenshot FILE.png] [--seconds N] [--timing]\n";
    return 2;
}

// Waits until the browser has shown the address and the page was drawn:
// the loaded document answers a script, then the window is drawn once.
bool waitUntilShown(tk::Display& display, BaseRLApp& app, const std::string& url, bool& completed) {
    tk::Browser& browser = *app.getBrowser();
    if (!tk::qt::runUntil(display, [&] { return completed && browser.getUrl() == url; }, 30000)) return false;
    if (!tk::qt::runScript(browser, "document.body ? document.body.innerHTML.length : 0")) return false;
    const std::string drawn = std::filesystem::temp_directory_path() /
                              ("roamledger-window-" + std::to_string(::getpid()) + ".png");
    const bool saved = tk::qt::saveScreenshot(*app.getComposite(), drawn);
    std::filesystem::remove(drawn);
    return saved;
}

}  // namespace

static int runWindow(int argc, char** argv) {
    std::string folder;
    std::string screenshot;
    int seconds = 0;
    bool timing = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--screenshot" && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = sys::parseNumber<int>(argv[++i]).value_or(0);
            if (seconds <= 0) return usage();
        } else if (arg == "--timing") {
            timing = true;
        } else if (!arg.empty() && arg[0] != '-' && folder.empty()) {
            folder = arg;
        } else {
            return usage();
        }
    }
    if (!screenshot.empty()) screenshot = std::filesystem::absolute(screenshot).string();
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        std::cerr << "roamledger-window: cannot use folder " << folder << ": " << std::strerror(errno) << "\n";
        return 2;
    }
    // Writes of an earlier run that was killed (pages and history here, the
    // upgrade's table of versions).
    foundation::TempFiles::removeStale(".", {tracker::ui::Upgrader::DOWNLOAD_DIRECTORY});

    // A signal that comes while the window is built is acted on once it runs.
    foundation::QuietEnd::installSignalHandlers();
    try {
        tk::qt::registerBackend();
        tk::Display display;

        BaseRLApp app;
        // However the window ends, every thread has ended before the window
        // and the display it posts to are gone.
        struct EndThreads {
            ~EndThreads() { foundation::Thread::stopAndJoinAll(foundation::Thread::END_OF_PROCESS_MS); }
        } endThreads;
        // Armed before the window is built: a box of the start (an upgrade
        // question) runs the toolkit's timers too, and the clean-up ends the
        // process from inside it.
        std::shared_ptr<tk::Runnable> watch;
        watch = tk::runnable([&] {
            if (foundation::QuietEnd::isRequested()) {
                app.cleanUp(false);
                return;
            }
            display.timerExec(foundation::QuietEnd::CHECK_MS, watch);
        });
        display.timerExec(foundation::QuietEnd::CHECK_MS, watch);
        app.init(BaseRLApp::APP_TYPE_FARHAVEN, &display, nullptr, tk::SHELL_TRIM, true, true, "", nullptr);
        if (!app.getComposite() || !app.getBrowser()) {
            std::cerr << "roamledger-window: the window could not be built; see Roamledger.log\n";
            return 1;
        }
        bool completed = false;
        app.getBrowser()->addCompletedListener([&](tk::Event&) { completed = true; });
        app.show();

        if (timing || !screenshot.empty()) {
            const std::string results = tracker::BaseEngine::toFileURL(app.getEngine()->getBalancesPath());
            if (!waitUntilShown(display, app, results, completed)) {
                std::cerr << "roamledger-window: the results page was not shown\n";
                return 1;
            }
            if (timing) {
                std::cout << "results page shown: " << sinceStart() << " ms" << std::endl;
                completed = false;
                const long long pressed = sinceStart();
                tk::Event press;
                app.getUpdateButton()->notifyListeners(tk::Selection, press);
                const std::string running = tracker::BaseEngine::toFileURL(app.getEngine()->getBalancesPath());
                if (!waitUntilShown(display, app, running, completed)) {
                    std::cerr << "roamledger-window: the page of the retrieval was not shown\n";
                    return 1;
                }
                std::cout << "retrieval page shown: " << (sinceStart() - pressed) << " ms after pressing "
                          << app.getUpdateButton()->getText() << std::endl;
            }
            if (!screenshot.empty()) {
                if (!tk::qt::waitUntilDrawn(*app.getBrowser())) {
                    std::cerr << "roamledger-window: the results page was not drawn\n";
                    return 1;
                }
                const bool saved = tk::qt::saveScreenshot(*app.getComposite(), screenshot);
                std::cout << (saved ? "saved " : "could not save ") << screenshot << std::endl;
            }
            app.cleanUp(false);
            return 0;
        }

        if (seconds > 0) {
            display.timerExec(seconds * 1000, tk::runnable([&app] { app.cleanUp(false); }));
        }
        tk::Composite* window = app.getComposite();
        while (!window->isDisposed()) {
            if (!display.readAndDispatch()) display.sleep();
        }
        app.cleanUp(false);
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "roamledger-window: " << failure.what() << "\n";
        return 1;
    }
}

int main(int argc, char** argv) { return foundation::Thread::endProcess(runWindow(argc, argv)); }
