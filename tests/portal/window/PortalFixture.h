#pragma once
// The portal on the headless toolkit in a temporary install folder: the
// content folder, the icon and tray pictures, Tiraleaf.so registered in a
// registry store of the test's own, a preference file left by an earlier
// run (so no first-run form opens unless a test asks for one), the content
// sites and the product server imitated, addresses opened outside
// recorded, and the tracker window's end of the process recorded instead
// of ending the test.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "platform/com/OleControlSite.h"
#include "platform/com/Registration.h"
#include "platform/system/Connection.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/toolkit/headless/Headless.h"
#include "portal/LBApp.h"
#include "portal/LBTray.h"
#include "portal/PopupMenu.h"
#include "portal/retriever/LBRetriever.h"
#include "tests/control/FormFinder.h"
#include "tests/portal/ContentSites.h"
#include "tests/portal/window/PrefFile.h"
#include "tests/support/OpenedUrls.h"
#include "tests/support/Wait.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

namespace rltest::portaltest {

using portal::LBApp;
using portal::LBTray;
using portal::PopupMenu;

class PortalTest : public content::ContentTest {
protected:
    // The headless toolkit unless a test names another backend.
    explicit PortalTest(const std::string& backend = "headless") : display(backend), driver(display) {
        ::setenv("RL_REGISTRY_DIR", dir.file("registry").c_str(), 1);
        const std::string source = sourceDir() + "/resources/";
        std::filesystem::copy(source + "portal", dir.path(), std::filesystem::copy_options::recursive);
        std::filesystem::remove(dir.file("make-pictures.py"));
        std::filesystem::copy(source + "images/Roamledger.ico", dir.file("Roamledger.ico"));
        com::registerModule(TIRALEAF_MODULE);
        writePrefs(Prefs{});
        goOnline(true);
        tracker::ui::BaseRLApp::setProcessEnd([this](int status) { endStatuses.push_back(status); });
        tracker::RLPreferences::setStatsReporter(
            [](const std::string&, const std::string&, const std::optional<std::string>&, int) {});
        PopupMenu::resetFirstPreferencesEvent();
    }

    ~PortalTest() override {
        app.reset();
        tracker::ui::BaseRLApp::setProcessEnd(nullptr);
        tracker::RLPreferences::setStatsReporter(nullptr);
        tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
        sys::resetRouteTablePaths();
        foundation::JNIUtil::setOverrideAlwaysConnected(false);
        ::unsetenv("RL_REGISTRY_DIR");
        foundation::Logger::setUseConsole(false);
    }

    // The preference file and first-run marker of an earlier run.
    void writePrefs(const Prefs& prefs) { writePreferenceFile(dir.path(), prefs); }

    // Moves the installed files into a folder inside the install folder and
    // makes it the working folder.
    void moveInstallInto(const std::string& folder) {
        std::filesystem::create_directories(folder);
        for (const char* entry : {"content", "images", "Lanternbay.ico"}) {
            std::filesystem::rename(dir.file(entry), folder + "/" + entry);
        }
        std::filesystem::current_path(folder);
    }

    // A first run: no marker, so the panel opens its first-run form.
    void firstRun() {
        std::filesystem::remove(content + "js/core-pref.ini");
        std::filesystem::remove(content + "js/core-pref.js");
    }

    // The machine's routing table: a default route, or none.
    void goOnline(bool online) {
        std::string table = "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\tMTU\tWindow\tIRTT\n";
        if (online) table += "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
        writeFile(dir.file("route"), table);
        writeFile(dir.file("ipv6_route"), "");
        sys::setRouteTablePaths(dir.file("route"), dir.file("ipv6_route"));
    }

    void setScreen(const tk::Rectangle& bounds, const tk::Rectangle& clientArea, int titleBar = 26,
                   bool tray = true) {
        tk::headless::Screen screen;
        screen.bounds = bounds;
        screen.clientArea = clientArea;
        screen.titleBarHeight = titleBar;
        screen.tray = tray;
        tk::headless::setScreen(display, screen);
    }

    // Builds the portal as a start at logon (true) or by hand (false), and
    // waits for the start's last steps, which follow the first page.
    LBApp& start(bool atLogon) {
        startWithoutWaiting(atLogon);
        EXPECT_TRUE(finishStart(*app));
        return *app;
    }
    ::testing::AssertionResult finishStart(LBApp& portal) {
        return waitUntil(
            "the start's steps after the first page",
            [&portal] {
                return !portal.areStartStepsPending() || !portal.getShell() || portal.getShell()->isDisposed();
            },
            WAIT_MS, [this] {
                if (display.readAndDispatch()) return;
                if (manualClock) {
                    driver.advanceClock(1);
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            });
    }
    LBApp& startWithoutWaiting(bool atLogon) {
        app = std::make_unique<LBApp>(atLogon);
        return *app;
    }

    // The display's clock moves only when the test moves it.
    void useManualClock() {
        driver.useManualClock();
        manualClock = true;
    }

    // A refresh that never ends by itself: the weather site never answers.
    void stallTheWeatherSite() {
        content::scriptContentSites(web, "");
        site(content::WEATHER_HOST).on("GET", "/Pages/Esi/*", Answer::neverAnswer());
    }

    // Waits until the refresh of the portal has ended and its completion
    // ran on the user-interface thread.
    bool finishRefresh(int timeoutMs = 60000) {
        auto retriever = app->getCurrentRetriever();
        if (!retriever) return true;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (LBApp::isRetrievalInProgress() || retriever->isAlive()) {
            if (std::chrono::steady_clock::now() >= until) return false;
            // Nothing to dispatch: wait a little for the refresh's thread.
            if (!display.readAndDispatch()) retriever->join(10);
        }
        // Its completion runs on the user-interface thread.
        driver.runPending();
        return true;
    }

    std::string log() const { return readFile(dir.file("Lanternbay.log")); }
    bool logged(const std::string& part) const { return log().find(part) != std::string::npos; }
    size_t loggedCount(const std::string& part) const {
        return static_cast<size_t>(foundation::StrUtil::countMatches(log(), part));
    }

    // Refreshes asked for, beside the one the panel's first preferences
    // event asks for and the portal skips.
    size_t refreshRequests() const {
        return loggedCount("launchRetriever:enter") - loggedCount("launchRetriever (skipped - first preferences load)");
    }

    // What a headless browser was asked to show, in order.
    std::vector<std::string> navigations(tk::Browser* browser) const {
        std::vector<std::string> out;
        for (const std::string& entry : tk::headless::browserRecord(*browser).log) {
            if (entry.rfind("navigate ", 0) == 0) out.push_back(entry.substr(9));
        }
        return out;
    }

    std::string url(const std::string& page) const { return app->contentUrl(page); }

    tk::Control* panelControl(const std::string& tip) const {
        return controlWithTip(app->getPopupMenu()->getSite()->getControlWindow(), tip);
    }

    tk::Display display;
    tk::TestDriver driver;
    OpenedUrls opened;
    std::unique_ptr<LBApp> app;
    std::vector<int> endStatuses;
    bool manualClock = false;
};

}  // namespace rltest::portaltest
