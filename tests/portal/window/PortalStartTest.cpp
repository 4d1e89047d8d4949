// How the portal starts: at logon or by hand, the start-up override marker,
// where the window goes, the title-bar correction, the resolution warning,
// the launch report, the launcher swap, and starts that fail.

#include <filesystem>

#include "foundation/RegistryUtil.h"
#include "tests/portal/window/PortalFixture.h"
#include "tests/support/Wait.h"

namespace rltest::portaltest {
namespace {

class PortalStart : public PortalTest {
protected:
    // The launch report as the product server received it.
    std::string launchReport() {
        EXPECT_TRUE(waitFor([this] { return !site(content::PRODUCT_HOST).requests("POST", LAUNCH_PATH).empty(); },
                            10000));
        auto posts = site(content::PRODUCT_HOST).requests("POST", LAUNCH_PATH);
        return posts.empty() ? std::string() : posts[0].body;
    }

    int storedInt(const std::string& name) {
        return foundation::RegistryUtil::getCurrentUserInstance(LBApp::REGISTRY_KEY).getInt(name, -1);
    }

    static constexpr const char* LAUNCH_PATH = "/lanternbay/launch20060430.php";
};

TEST_F(PortalStart, AtLogonTheOverrideMarkerEndsTheProgramBeforeAnythingIsMade) {
    writeFile(dir.file("Lanternbay.startupoverride"), "Existance of this file prevents Lanternbay from launching\r\n");
    EXPECT_EQ(LBApp::main({}), 0);
    EXPECT_TRUE(logged(" - Launch at startup\n"));
    EXPECT_TRUE(logged(" - Startup override file exists.  Exiting.\n"));
    EXPECT_FALSE(logged("No startup override file"));
    EXPECT_TRUE(display.getShells().empty());
    ASSERT_NE(display.getSystemTray(), nullptr);
    EXPECT_EQ(display.getSystemTray()->getItemCount(), 0);
    EXPECT_TRUE(web.requests().empty());
}

TEST_F(PortalStart, AtLogonWithoutTheMarkerTheWindowStaysHiddenAndNothingIsRefreshed) {
    // The program ends from its tray once it runs.
    bool wasHidden = false;
    std::string report;
    display.asyncExec([&] {
        LBApp* running = LBApp::getInstance();
        ASSERT_NE(running, nullptr);
        ASSERT_TRUE(finishStart(*running));
        wasHidden = !running->getShell()->getVisible() && !running->isVisible();
        EXPECT_EQ(running->getCurrentRetriever(), nullptr);
        // The end stops a report still on its way: let it arrive first.
        report = launchReport();
        tk::TrayItem* icon = running->getTray()->getTrayItem();
        ASSERT_TRUE(driver.menuDetectTray(*icon));
        EXPECT_TRUE(driver.choose(*running->getTray()->getExitItem()));
    });
    EXPECT_EQ(LBApp::main({}), 0);
    EXPECT_TRUE(wasHidden);
    EXPECT_TRUE(logged(" - Launch at startup\n"));
    EXPECT_TRUE(logged(" - No startup override file\n"));
    EXPECT_EQ(refreshRequests(), 0u);
    EXPECT_TRUE(logged(" - No retriever thread running - exiting\n"));
    EXPECT_NE(report.find("&startup=1&"), std::string::npos) << report;
}

TEST_F(PortalStart, AtLogonWithUpdateOnLaunchItRefreshesWhileHidden) {
    Prefs prefs;
    prefs.updateOnLaunch = "true";
    writePrefs(prefs);
    content::scriptContentSites(web, "");
    LBApp& portal = start(true);
    EXPECT_FALSE(portal.getShell()->getVisible());
    EXPECT_TRUE(portal.isFirstRetrievalDone());
    ASSERT_NE(portal.getCurrentRetriever(), nullptr);
    ASSERT_TRUE(finishRefresh());
    // A hidden window asks no message centre.
    EXPECT_TRUE(site(content::PRODUCT_HOST).requests("GET", content::MESSAGE_CENTER_PATH).empty());
}

TEST_F(PortalStart, ByHandTheWindowShowsAndOneRefreshOfEveryPageStarts) {
    content::scriptContentSites(web, "");
    LBApp& portal = start(false);
    EXPECT_TRUE(portal.getShell()->getVisible());
    EXPECT_TRUE(portal.isVisible());
    EXPECT_EQ(portal.getShell()->getText(), "Lanternbay");
    EXPECT_EQ(portal.getShell()->getSize(), (tk::Point{876, 688}));
    EXPECT_EQ(portal.getShell()->getCursor(), display.getSystemCursor(tk::CURSOR_ARROW));
    EXPECT_EQ(refreshRequests(), 1u);
    ASSERT_TRUE(finishRefresh());
    EXPECT_NE(launchReport().find("&startup=0&"), std::string::npos);
    EXPECT_FALSE(site(content::PRODUCT_HOST).requests("GET", content::MESSAGE_CENTER_PATH).empty());
}

TEST_F(PortalStart, TheLastStepsWaitForTheFirstPageAndKeepTheirOrder) {
    useManualClock();
    content::scriptContentSites(web, "");
    writeFile(dir.file("LanternbayLauncher"), "running");
    writeFile(dir.file("LanternbayLauncher.new"), "delivered");
    LBApp& portal = startWithoutWaiting(false);
    // The window shows its pages first; nothing else has started yet.
    EXPECT_TRUE(portal.getShell()->getVisible());
    EXPECT_TRUE(portal.areStartStepsPending());
    EXPECT_EQ(portal.getCurrentRetriever(), nullptr);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 0);
    EXPECT_EQ(portal.getLaunchReport(), nullptr);
    EXPECT_EQ(portal.getShell()->getCursor(), display.getSystemCursor(tk::CURSOR_APPSTARTING));
    EXPECT_EQ(readFile(dir.file("LanternbayLauncher")), "running");

    driver.runPending();
    EXPECT_EQ(tk::headless::browserRecord(*portal.getInnerBrowser()).url, url("mapquest-inner.html"));
    ASSERT_TRUE(finishStart(portal));
    // The first page brought them on, well before the limit for a page
    // that never loads.
    EXPECT_LT(driver.now(), 5000);
    EXPECT_FALSE(logged("did not load in time"));
    EXPECT_EQ(refreshRequests(), 1u);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 1);
    EXPECT_NE(portal.getLaunchReport(), nullptr);
    EXPECT_TRUE(portal.hasPendingTimer());
    EXPECT_EQ(portal.getShell()->getCursor(), display.getSystemCursor(tk::CURSOR_ARROW));
    EXPECT_EQ(readFile(dir.file("LanternbayLauncher")), "delivered");
    // In the order of a start: refresh, upgrade check, report, timer, launcher.
    const std::string text = log();
    size_t at = 0;
    for (const char* step : {" - launchRetriever:enter\n", "upgrade.php", " - Operating System: ",
                             " - m_prefUpdateFrequency: ", " - A new launcher exists."}) {
        at = text.find(step, at);
        ASSERT_NE(at, std::string::npos) << step << " after the steps before it";
    }
    ASSERT_TRUE(finishRefresh());
}

TEST_F(PortalStart, APageThatNeverLoadsHoldsTheLastStepsBackOnlyUntilTheLimit) {
    useManualClock();
    goOnline(false);
    LBApp& portal = startWithoutWaiting(false);
    // The inner pane's first page never arrives.
    portal.getInnerBrowser()->stop();
    driver.runPending();
    driver.advanceClock(10000);
    EXPECT_TRUE(portal.areStartStepsPending());
    EXPECT_EQ(portal.getNumUpgradeChecks(), 0);
    ASSERT_TRUE(finishStart(portal));
    EXPECT_TRUE(logged(" - The first page did not load in time: going on with the start\n"));
    EXPECT_EQ(portal.getNumUpgradeChecks(), 1);
    EXPECT_TRUE(portal.hasPendingTimer());
    EXPECT_TRUE(logged(" - launchRetriever (skipped - no internet connection)\n"));
}

TEST_F(PortalStart, APageThatCompletesAgainAndAgainHoldsTheLastStepsBackOnlyUntilTheLimit) {
    useManualClock();
    goOnline(false);
    const int64_t started = driver.now();
    LBApp& portal = startWithoutWaiting(false);
    // The inner page completes every 100 ms, sooner than the wait for its
    // showing ends.
    while (portal.areStartStepsPending() && driver.now() - started < 30000) {
        portal.getInnerBrowser()->refresh();
        driver.runPending();
        driver.advanceClock(100);
    }
    EXPECT_FALSE(portal.areStartStepsPending());
    EXPECT_LE(driver.now() - started, 15000 + 100);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 1);
    EXPECT_TRUE(portal.hasPendingTimer());
}

TEST_F(PortalStart, AWindowClosedBeforeTheFirstPageStartsNothingMore) {
    useManualClock();
    goOnline(true);
    LBApp& portal = startWithoutWaiting(false);
    portal.exit();
    driver.runPending();
    // Past any limit: nothing may start now (a fixed span, as it checks
    // that something does not happen).
    driver.advanceClock(120000);
    driver.runPending();
    EXPECT_FALSE(portal.areStartStepsPending());
    EXPECT_EQ(portal.getCurrentRetriever(), nullptr);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 0);
    EXPECT_EQ(portal.getLaunchReport(), nullptr);
    EXPECT_FALSE(logged("upgrade.php"));
}

TEST_F(PortalStart, TheLaunchReportSendsItsValuesAsTheyAre) {
    // A working folder with a blank and a percent sign in its name.
    const std::string folder = dir.file("My Portal 100%");
    moveInstallInto(folder);
    goOnline(false);
    start(false);
    const std::string body = launchReport();
    app.reset();
    std::filesystem::current_path(dir.path());
    const std::string text = readFile(folder + "/Lanternbay.log");
    EXPECT_EQ(body.rfind("os=Linux&osver=", 0), 0u) << body;
    EXPECT_NE(body.find("&res=1280x1024&userdir=" + folder + "&ie="), std::string::npos) << body;
    EXPECT_NE(body.find("&jsinternet="), std::string::npos);
    EXPECT_NE(body.find("&jslocal="), std::string::npos);
    EXPECT_NE(body.find("&mhz="), std::string::npos);
    EXPECT_NE(body.find("&processor="), std::string::npos);
    EXPECT_NE(body.find("&startup=0&zipcode=46236&guid=0123456789ABCDEF0123456789ABCDEF&version=20060430"),
              std::string::npos)
        << body;
    EXPECT_NE(text.find(" - Operating System: Linux\n"), std::string::npos);
    EXPECT_NE(text.find(" - Resolution: 1280x1024\n"), std::string::npos);
    EXPECT_NE(text.find(" - Working Dir: " + folder + "\n"), std::string::npos);
    EXPECT_NE(text.find(" - JavaScript (Internet): "), std::string::npos);
    EXPECT_NE(text.find(" - MHz / Processor Name: "), std::string::npos);
}

TEST_F(PortalStart, WithoutAStoredPositionTheWindowGoesToTheBottomRightOfTheWorkArea) {
    goOnline(false);
    LBApp& portal = start(true);
    // 1280 x 994 work area: 2 pixels in from the right edge.
    EXPECT_EQ(portal.getShell()->getLocation(), (tk::Point{1280 - 876 - 2, 994 - 688}));
    EXPECT_TRUE(logged(" - WindowLeft=-9999\n"));
    EXPECT_TRUE(logged(" - WindowTop=-9999\n"));
    EXPECT_TRUE(logged(" - WindowLeft overidden to 402\n"));
    EXPECT_TRUE(logged(" - WindowTop overidden to 306\n"));
}

TEST_F(PortalStart, AStoredPositionInsideTheWorkAreaIsUsedAndTheCloseStoresTheNewOne) {
    goOnline(false);
    auto stored = foundation::RegistryUtil::getCurrentUserInstance(LBApp::REGISTRY_KEY);
    stored.setInt("WindowLeft", 100);
    stored.setInt("WindowTop", 50);
    LBApp& portal = start(false);
    EXPECT_EQ(portal.getShell()->getLocation(), (tk::Point{100, 50}));
    EXPECT_FALSE(logged("overidden"));
    ASSERT_TRUE(driver.moveByUser(*portal.getShell(), 120, 70));
    portal.exit();
    EXPECT_EQ(storedInt("WindowLeft"), 120);
    EXPECT_EQ(storedInt("WindowTop"), 70);
}

TEST_F(PortalStart, APositionThatLeavesAnyPartOfTheWindowOutsideTheWorkAreaIsReplaced) {
    goOnline(false);
    const std::vector<std::pair<int, int>> outside = {{405, 50}, {100, 307}, {-1, 50}, {100, -1}, {-9999, 50}};
    for (const auto& [left, top] : outside) {
        auto stored = foundation::RegistryUtil::getCurrentUserInstance(LBApp::REGISTRY_KEY);
        stored.setInt("WindowLeft", left);
        stored.setInt("WindowTop", top);
        // A work area that starts below a panel: the window stays inside it.
        setScreen({0, 0, 1280, 1024}, {0, 30, 1280, 964});
        LBApp& portal = start(true);
        EXPECT_EQ(portal.getShell()->getLocation(), (tk::Point{402, 30 + 964 - 688})) << left << "," << top;
        app.reset();
    }
}

TEST_F(PortalStart, OnAScreenSmallerThanTheWindowItsCornerStaysOnTheScreen) {
    goOnline(false);
    setScreen({0, 0, 800, 600}, {0, 0, 800, 570});
    driver.answerButton(tk::OK);
    LBApp& portal = start(true);
    EXPECT_EQ(portal.getShell()->getLocation(), (tk::Point{0, 0}));
    EXPECT_TRUE(logged(" - WindowLeft overidden to 0\n"));
}

TEST_F(PortalStart, AShortTitleBarMakesTheInnerPaneTallerAndTheTrackerOffsetSmaller) {
    goOnline(false);
    setScreen({0, 0, 1280, 1024}, {0, 0, 1280, 994}, 20);
    LBApp& portal = start(true);
    EXPECT_TRUE(logged(" - title bar height: 20\n"));
    EXPECT_EQ(portal.getInnerBrowserHeight(), 538);
    // The tracker window's place moves up with the client area.
    EXPECT_EQ(portal.getTrackerLocation().y - portal.getShell()->getLocation().y, 130 - 6);
    EXPECT_EQ(portal.getInnerBrowser()->getBounds(), (tk::Rectangle{0, 100, 711, 538}));
    // The panel's strip along the bottom.
    EXPECT_EQ(portal.getPopupMenu()->getFrame()->getBounds(), (tk::Rectangle{1, 638, 870, 25}));
}

TEST_F(PortalStart, ALowResolutionIsWarnedOfOnceWithTheHelpPageOpened) {
    goOnline(false);
    setScreen({0, 0, 1024, 600}, {0, 0, 1024, 570});
    driver.answerButton(tk::OK);
    start(true);
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "Resolution Too Low");
    EXPECT_EQ(driver.shownDialogs()[0].message.rfind(
                  "Lanternbay can be better viewed and used if your computer screen is set to a higher resolution "
                  "than you are currently using (1024x600 pixels.) It will take up less space",
                  0),
              0u);
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{
                                     "http://www.lanternbay.example/FAQs.htm#Screen_resolution_-_what_can/"
                                     "should_I_do_if_Lanternbay_is_filling_my_entire_screen"}));
    EXPECT_EQ(storedInt("ResolutionWarningDisplayed"), 1);
    app.reset();

    driver.clearShownDialogs();
    start(true);
    EXPECT_TRUE(driver.shownDialogs().empty());
}

TEST_F(PortalStart, ALargeScreenIsNeverWarnedOf) {
    goOnline(false);
    start(true);
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_EQ(storedInt("ResolutionWarningDisplayed"), -1);
}

TEST_F(PortalStart, ADeliveredLauncherReplacesTheRunningOneWhichIsKept) {
    goOnline(false);
    writeFile(dir.file("LanternbayLauncher"), "running");
    writeFile(dir.file("LanternbayLauncher.new"), "delivered");
    writeFile(dir.file("LanternbayLauncher.old"), "older");
    start(true);
    EXPECT_EQ(readFile(dir.file("LanternbayLauncher")), "delivered");
    EXPECT_EQ(readFile(dir.file("LanternbayLauncher.old")), "running");
    EXPECT_FALSE(fileExists(dir.file("LanternbayLauncher.new")));
    EXPECT_TRUE(logged(" - A new launcher exists.  Renaming LanternbayLauncher to LanternbayLauncher.old and "
                       "LanternbayLauncher.new to LanternbayLauncher\n"));
    EXPECT_TRUE(logged(" - An old launcher already existed so deleting it first\n"));
}

TEST_F(PortalStart, WithoutADeliveredLauncherNothingIsRenamed) {
    goOnline(false);
    writeFile(dir.file("LanternbayLauncher"), "running");
    start(true);
    EXPECT_EQ(readFile(dir.file("LanternbayLauncher")), "running");
    EXPECT_FALSE(fileExists(dir.file("LanternbayLauncher.old")));
    EXPECT_FALSE(logged("A new launcher exists"));
}

TEST_F(PortalStart, WithoutThePanelTheTimerAndTheLauncherSwapStillWork) {
    goOnline(false);
    com::unregisterModule(TIRALEAF_MODULE);
    writeFile(dir.file("LanternbayLauncher.new"), "delivered");
    LBApp& portal = start(true);
    EXPECT_TRUE(logged("Failed to create PopupMenu"));
    EXPECT_FALSE(logged("Unable to contruct LBApp"));
    EXPECT_EQ(portal.getPopupMenu(), nullptr);
    EXPECT_TRUE(portal.hasPendingTimer());
    EXPECT_EQ(portal.getUpdateFrequencyMs(), 20 * 60000);
    EXPECT_EQ(readFile(dir.file("LanternbayLauncher")), "delivered");
    // Before the panel's preferences arrive the report carries no postal
    // code and no identifier.
    EXPECT_NE(launchReport().find("&zipcode=&guid=&version=20060430"), std::string::npos);
}

TEST_F(PortalStart, APortalThatCannotBeBuiltWithoutItsTrayIconEndsAtOnce) {
    std::filesystem::remove(dir.file("images/internal/tray-small-nonxp.bmp"));
    EXPECT_EQ(LBApp::main({"by-hand"}), 0);
    EXPECT_TRUE(logged(" - LBTray image path: images/internal/tray-small-nonxp.bmp\n"));
    EXPECT_TRUE(logged(" - Unable to contruct LBApp: "));
    EXPECT_TRUE(logged(" - No retriever thread running - exiting\n"));
}

TEST_F(PortalStart, WithoutItsIconThePortalEndsAtOnce) {
    std::filesystem::remove(dir.file("Lanternbay.ico"));
    EXPECT_EQ(LBApp::main({"by-hand"}), 0);
    EXPECT_TRUE(logged(" - Unable to contruct LBApp: "));
}

TEST_F(PortalStart, WithoutASystemTrayTheWindowShowsAndItsCloseBoxEndsTheProgram) {
    goOnline(false);
    setScreen({0, 0, 1280, 1024}, {0, 0, 1280, 994}, 26, false);
    display.asyncExec([&] {
        LBApp* running = LBApp::getInstance();
        ASSERT_NE(running, nullptr);
        EXPECT_TRUE(running->getShell()->getVisible());
        EXPECT_FALSE(running->getTray()->hasIcon());
        EXPECT_TRUE(driver.closeBox(*running->getShell()));
    });
    EXPECT_EQ(LBApp::main({}), 0);
    EXPECT_TRUE(logged(" - No system tray: closing the window ends Lanternbay\n"));
    EXPECT_TRUE(logged(" - No retriever thread running - exiting\n"));
}

}  // namespace
}  // namespace rltest::portaltest
