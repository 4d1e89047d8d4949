// The Brightwire window: how it is built and placed, its geometry for lower
// title bars, the one-time resolution warning, the offline start and the
// clean-up through the tracker's wrapper.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/portal/brtw/BrtwFixture.h"
#include "tests/support/Wait.h"
#include "tracker/ui/SetupDialog.h"

namespace {

using namespace rltest;
using namespace rltest::brtw;

class RLBRTWWindowTest : public BrtwFixture {};

TEST_F(RLBRTWWindowTest, AFirstStartOpensTheDefaultWindowCentredWithTheTrackerInside) {
    prepareSettings({{"Alice", {"American"}}});
    RLBRTW& w = open();
    tk::Shell& shell = *w.getShell();

    EXPECT_EQ(shell.getText(), "Roamledger");
    EXPECT_EQ(shell.getStyle() & tk::SHELL_TRIM, tk::SHELL_TRIM);
    EXPECT_TRUE(shell.getVisible());
    // 839 x 720 centred on the 1280 x 994 work area.
    EXPECT_EQ(shell.getBounds(), (tk::Rectangle{220, 137, 839, 720}));
    EXPECT_EQ(shell.getMinimumSize(), (tk::Point{839, 720}));
    EXPECT_TRUE(logged("WindowLoc overidden to Point {220, 137}"));
    EXPECT_EQ(shell.getCursor(), display.getSystemCursor(tk::CURSOR_ARROW));

    // The page fills the window, the tracker's panel lies over it.
    EXPECT_EQ(wrapperBrowser().getBounds(), (tk::Rectangle{0, 0, 835, 669}));
    EXPECT_EQ(tracker().getComposite()->getBounds(), (tk::Rectangle{15, 316, 805, 312}));
    auto children = shell.getChildren();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children.front(), tracker().getComposite());
    EXPECT_EQ(children.back(), &wrapperBrowser());
    EXPECT_TRUE(BaseRLApp::isAppTypeBRTW());
    EXPECT_EQ(tracker().getWrapper(), &w);
    EXPECT_EQ(tracker().getAdFilter(), "brtw/ad-");
    EXPECT_EQ(BaseRLApp::getShell(), &shell);

    // The welcome page; the headline frame got the feed's list.
    EXPECT_EQ(wrapperRecord().url, page("welcome.html"));
    EXPECT_NE(readFile(dir.file("brtw/news.html")).find("Story 3</a></li>"), std::string::npos);
    EXPECT_TRUE(NewsRetriever::wasEverSuccessful());
    EXPECT_EQ(w.getTitleBarHeightDiff(), 0);
    EXPECT_TRUE(driver.shownDialogs().empty());
}

TEST_F(RLBRTWWindowTest, ALowerTitleBarTakesItsDifferenceOffTheMarkedHeights) {
    setScreen(1280, 1024, 20);
    prepareSettings({{"Alice", {}}});
    RLBRTW& w = open();

    EXPECT_EQ(w.getTitleBarHeight(), 20);
    EXPECT_EQ(w.getTitleBarHeightDiff(), 6);
    EXPECT_EQ(w.getDefaultWindowHeight(), 714);
    EXPECT_EQ(w.getRoamledgerTop(), 310);
    EXPECT_EQ(w.getRoamledgerHeightReduction(), 402);
    EXPECT_EQ(w.getBrowserHeightReduction(), 45);
    EXPECT_EQ(w.getShell()->getSize(), (tk::Point{839, 714}));
    EXPECT_EQ(w.getShell()->getMinimumSize(), (tk::Point{839, 714}));
    EXPECT_EQ(wrapperBrowser().getSize(), (tk::Point{835, 669}));
    // Placed at the tracker top plus the difference: where it is with 26.
    EXPECT_EQ(tracker().getComposite()->getBounds(), (tk::Rectangle{15, 316, 805, 312}));
    EXPECT_EQ(w.getRoamledgerRelativeY(), 310);
    EXPECT_EQ(w.getRoamledgerRelativeX(), 15);

    // The Users and Accounts dialog is placed and sized by the window.
    ASSERT_TRUE(driver.choose(*tracker().getSetupMenuItem()));
    auto dialog = tracker().getSetupDialog();
    ASSERT_NE(dialog, nullptr);
    const tk::Point at = w.getShell()->getLocation();
    EXPECT_EQ(dialog->getShell()->getBounds(), (tk::Rectangle{at.x + 19, at.y + 360, 805, 312}));

    // Resizing and moving keep the layout.
    ASSERT_TRUE(driver.resizeByUser(*w.getShell(), 1000, 800));
    EXPECT_EQ(wrapperBrowser().getSize(), (tk::Point{996, 755}));
    EXPECT_EQ(tracker().getComposite()->getBounds(), (tk::Rectangle{15, 316, 966, 398}));
    EXPECT_EQ(w.getRoamledgerPreferredSize(), (tk::Point{966, 398}));
    ASSERT_TRUE(driver.moveByUser(*w.getShell(), 30, 40));
    EXPECT_EQ(tracker().getComposite()->getLocation(), (tk::Point{15, 316}));
}

TEST_F(RLBRTWWindowTest, AStoredPlaceIsKeptUnlessItLeavesTheWorkArea) {
    prepareSettings({{"Alice", {}}});
    setRegistry("BRTWWindowWidth", 900);
    setRegistry("BRTWWindowHeight", 760);
    setRegistry("BRTWWindowX", 100);
    setRegistry("BRTWWindowY", 50);
    open();
    EXPECT_EQ(window->getShell()->getBounds(), (tk::Rectangle{100, 50, 900, 760}));
    EXPECT_FALSE(logged("WindowLoc overidden"));
    window.reset();

    // 900 + 839 is beyond the 1280 pixels of the work area: centred.
    setRegistry("BRTWWindowWidth", 839);
    setRegistry("BRTWWindowX", 900);
    open();
    EXPECT_EQ(window->getShell()->getBounds(), (tk::Rectangle{220, 117, 839, 760}));
    EXPECT_TRUE(logged("WindowLoc overidden to Point {220, 117}"));
    window.reset();

    // A negative position, and a size below the least one.
    setRegistry("BRTWWindowX", -4);
    setRegistry("BRTWWindowWidth", 300);
    setRegistry("BRTWWindowHeight", 200);
    open();
    EXPECT_EQ(window->getShell()->getBounds(), (tk::Rectangle{220, 137, 839, 720}));
    window.reset();

    // On a work area smaller than the window the title bar stays on it.
    setScreen(800, 630, 26);
    setRegistry("BRTWResolutionWarningDisplayed", 1);
    open();
    EXPECT_EQ(window->getShell()->getLocation(), (tk::Point{0, 0}));
}

TEST_F(RLBRTWWindowTest, ALowResolutionIsWarnedAboutOnce) {
    setScreen(1000, 740, 26);
    prepareSettings({{"Alice", {}}});
    open();
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    const tk::ShownDialog& box = driver.shownDialogs()[0];
    EXPECT_EQ(box.title, "Screen Resolution Too Low");
    EXPECT_EQ(box.message,
              "Brightwire Roamledger was designed to run at a minimum screen resolution of 1024x768 pixels.  Your "
              "screen resolution is currently set to lower than that (it's at 1000x740 pixels.)  We are working on "
              "supporting lower screen resolutions for the future, but the only current workaround is to "
              "temporarily increase your screen resolution to 1024x768 pixels.\r\n\r\nWhen you click 'OK' below, "
              "your web browser will open to instructions on how to easily make this change.\r\n\r\nThis message "
              "will not be displayed again in the future, but you can always access our Frequently Asked Questions "
              "from under the Help menu.");
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{foundation::HostTable::get("ScreenResolutionHelp.other")}));
    EXPECT_TRUE(logged("navigateExternally: https://"));
    EXPECT_EQ(registry("BRTWResolutionWarningDisplayed"), 1);
    window.reset();

    driver.clearShownDialogs();
    open();
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_EQ(opened.urls().size(), 1u);
}

TEST_F(RLBRTWWindowTest, AnOfflineStartShowsTheOfflineWelcomePageAndFetchesNoHeadlines) {
    goOffline();
    prepareSettings({{"Alice", {}}});
    RLBRTW& w = open();
    EXPECT_EQ(wrapperRecord().url, page("welcome.html") + "?offline");
    EXPECT_TRUE(w.isCurrentURLOffline());
    EXPECT_EQ(w.getNewsRetriever(), nullptr);
    EXPECT_TRUE(web.requests().empty());
    // The headline frame shows the waiting page.
    EXPECT_EQ(readFile(dir.file("brtw/news.html")), readFile(dir.file("brtw/news-pending.html")));

    // An offline page keeps the parameter on the pages the window sends
    // itself to, and adds it only once.
    w.navigateWrapperBrowserToCancel();
    settle();
    EXPECT_EQ(wrapperRecord().url, page("cancel.html") + "?offline");
    EXPECT_EQ(w.appendOfflineParamIfNecessary(page("cancel.html") + "?offline", false),
              page("cancel.html") + "?offline");
    EXPECT_EQ(w.appendOfflineParamIfNecessary(page("cancel.html") + "?update", false),
              page("cancel.html") + "?update&offline");
}

TEST_F(RLBRTWWindowTest, WithoutItsWaitingPageTheWindowStillOpens) {
    std::filesystem::remove(dir.file("brtw/news-pending.html"));
    prepareSettings({{"Alice", {}}});
    open();
    EXPECT_TRUE(window->isConstructed());
    EXPECT_TRUE(logged("Unable to copy news-pending.html over news.html"));
}

TEST_F(RLBRTWWindowTest, AWindowThatCannotBeBuiltSaysSo) {
    prepareSettings({{"Alice", {}}});
    display.dispose();
    RLBRTW broken(&display);
    EXPECT_FALSE(broken.isConstructed());
    EXPECT_TRUE(logged("Unable to contruct RLBRTW: "));
    EXPECT_EQ(broken.getShell(), nullptr);
}

TEST_F(RLBRTWWindowTest, ExitFromTheTrackerCleansUpThroughTheWindow) {
    prepareSettings({{"Alice", {"American"}}});
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("1500"); });
    RLBRTW& w = open();
    ASSERT_TRUE(driver.moveByUser(*w.getShell(), 60, 70));
    ASSERT_TRUE(driver.resizeByUser(*w.getShell(), 900, 740));

    // A retrieval adds a history point for the exit to write.
    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    ASSERT_TRUE(tracker().getEngine()->join(rltest::scaled(10000)));
    settle();
    ASSERT_FALSE(BaseRLApp::isCheckInProgress());

    tk::MenuItem* exitItem = nullptr;
    for (tk::MenuItem* item : w.getShell()->getMenuBar()->getItem(0)->getMenu()->getItems()) {
        if (item->getText().rfind("E&xit", 0) == 0) exitItem = item;
    }
    ASSERT_NE(exitItem, nullptr);
    ASSERT_TRUE(driver.choose(*exitItem));
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_EQ(registry("BRTWWindowWidth"), 900);
    EXPECT_EQ(registry("BRTWWindowHeight"), 740);
    EXPECT_EQ(registry("BRTWWindowX"), 60);
    EXPECT_EQ(registry("BRTWWindowY"), 70);
    const std::string history = readFile(dir.file("Roamledger.history"));
    EXPECT_NE(history.find("0 AA "), std::string::npos) << history;
    EXPECT_NE(history.find(" 1500\n"), std::string::npos) << history;
    EXPECT_TRUE(logged("Cleaning up"));

    // The close box afterwards does not clean up twice.
    ASSERT_TRUE(driver.closeBox(*w.getShell()));
    EXPECT_EQ(endStatuses.size(), 1u);
}

TEST_F(RLBRTWWindowTest, AMinimisedWindowKeepsItsStoredPlace) {
    prepareSettings({{"Alice", {}}});
    setRegistry("BRTWWindowX", 100);
    setRegistry("BRTWWindowY", 50);
    RLBRTW& w = open();
    ASSERT_TRUE(driver.minimizeByUser(*w.getShell(), true));
    ASSERT_TRUE(driver.closeBox(*w.getShell()));
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_EQ(registry("BRTWWindowX"), 100);
    EXPECT_EQ(registry("BRTWWindowY"), 50);
    EXPECT_EQ(registry("BRTWWindowWidth"), -12345);
}

TEST_F(RLBRTWWindowTest, TheUpgradeClientsCleanUpIsTheWindowsAndEndsTheProcess) {
    prepareSettings({{"Alice", {}}});
    RLBRTW& w = open();
    tracker::ui::ICleanable& cleanable = w;
    cleanable.cleanUp();
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_EQ(registry("BRTWWindowWidth"), 839);
    EXPECT_FALSE(tracker::ui::SetupDialog::areUserColorImagesLoaded());
}

TEST_F(RLBRTWWindowTest, AnAcceptedUpgradeHandsOverAndEndsThroughTheWindowsCleanUp) {
    prepareSettings({{"Alice", {}}});
    writeFile(dir.file("Roamledger.versions"), "core=12\n");
    // Stands in for the finisher: records the program it is to start again.
    writeFile(dir.file("Vantrell"), "#!/bin/sh\necho \"$3\" > handoff.tmp && mv handoff.tmp handoff.txt\n");
    ::chmod(dir.file("Vantrell").c_str(), 0755);

    // The start checks the edition's own address; nothing is offered.
    RLBRTW& w = open();
    EXPECT_TRUE(logged("UpgradeCheckURL: " + std::string(PRODUCT_HOST) +
                       "/roamledger/brtw/upgrade.php?version=20060430"));
    EXPECT_TRUE(endStatuses.empty());
    EXPECT_EQ(tracker().getNumUpgradeChecks(), 1);

    // The update button checks again: the user takes the offer.
    web.site("www.roamledger.example")
        .on("POST", "/roamledger/brtw/upgrade.php",
            Answer::page("https://files.roamledger.example/\ncore=13=core13.zip\n"));
    web.site("files.roamledger.example").on("GET", "/core13.zip", Answer::page("archive"));
    driver.answerButton(tk::YES);
    ASSERT_TRUE(driver.moveByUser(*w.getShell(), 40, 30));
    click(page("cancel.html") + "?update");

    ASSERT_FALSE(endStatuses.empty());
    EXPECT_EQ(endStatuses.front(), 0);
    // The window's clean-up ran: its place is stored.
    EXPECT_EQ(registry("BRTWWindowX"), 40);
    EXPECT_EQ(registry("BRTWWindowY"), 30);
    ASSERT_TRUE(waitFor([this] { return fileExists(dir.file("handoff.txt")); }, 30000));
    EXPECT_EQ(readFile(dir.file("handoff.txt")), "BRTWRL\n");
}

}  // namespace
