// The tray icon: its picture and tip, the click that shows and hides the
// window, and its menu's items while content is and is not refreshed.

#include "tests/portal/window/PortalFixture.h"

namespace rltest::portaltest {
namespace {

class PortalTray : public PortalTest {
protected:
    struct MenuState {
        std::string exitText;
        bool open, openAndUpdate, hide, exit;
        bool operator==(const MenuState&) const = default;
    };

    // Right-clicks the icon and reads the menu, then closes it.
    MenuState menu() {
        LBTray& tray = *app->getTray();
        EXPECT_TRUE(driver.menuDetectTray(*tray.getTrayItem()));
        EXPECT_TRUE(tray.getMenu()->getVisible());
        MenuState state{tray.getExitItem()->getText(), tray.getOpenItem()->getEnabled(),
                        tray.getOpenAndUpdateItem()->getEnabled(), tray.getHideItem()->getEnabled(),
                        tray.getExitItem()->getEnabled()};
        driver.dismiss(*tray.getMenu());
        return state;
    }

    bool chooseFromMenu(tk::MenuItem* item) {
        return driver.menuDetectTray(*app->getTray()->getTrayItem()) && driver.choose(*item);
    }

    static inline const std::string EXIT = "&Exit";
    static inline const std::string EXIT_DISABLED = "&Exit (Disabled during page updates)";
};

TEST_F(PortalTray, TheIconShowsTheNonXpPictureWithItsTip) {
    goOnline(false);
    LBApp& portal = start(true);
    tk::TrayItem* icon = portal.getTray()->getTrayItem();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->getToolTipText(), "Lanternbay");
    EXPECT_EQ(icon->getImage()->getPath(), "images/internal/tray-small-nonxp.bmp");
    EXPECT_TRUE(logged(" - LBTray image path: images/internal/tray-small-nonxp.bmp\n"));
    EXPECT_EQ(portal.getTray()->getMenu()->getItemCount(), 4);
}

TEST_F(PortalTray, AClickShowsTheHiddenWindowWithItsFirstRefreshAndTheNextHidesIt) {
    goOnline(false);
    LBApp& portal = start(true);
    tk::TrayItem* icon = portal.getTray()->getTrayItem();
    EXPECT_FALSE(portal.getShell()->getVisible());
    EXPECT_TRUE(driver.clickTray(*icon));
    EXPECT_TRUE(portal.getShell()->getVisible());
    EXPECT_TRUE(portal.isVisible());
    EXPECT_TRUE(portal.isFirstRetrievalDone());
    EXPECT_EQ(refreshRequests(), 1u);
    EXPECT_TRUE(driver.clickTray(*icon));
    EXPECT_FALSE(portal.getShell()->getVisible());
    EXPECT_FALSE(portal.isVisible());
    EXPECT_TRUE(driver.clickTray(*icon));
    // Only the first showing of the run refreshes.
    EXPECT_EQ(refreshRequests(), 1u);
}

TEST_F(PortalTray, TheMenuFollowsTheWindowAndTheRefresh) {
    stallTheWeatherSite();
    LBApp& portal = start(true);
    EXPECT_EQ(menu(), (MenuState{EXIT, true, true, false, true}));

    // Shown: its first refresh starts and never ends by itself.
    ASSERT_TRUE(chooseFromMenu(portal.getTray()->getOpenItem()));
    ASSERT_TRUE(LBApp::isRetrievalInProgress());
    EXPECT_EQ(menu(), (MenuState{EXIT_DISABLED, false, false, true, false}));
    ASSERT_TRUE(chooseFromMenu(portal.getTray()->getHideItem()));
    EXPECT_FALSE(portal.getShell()->getVisible());
    EXPECT_EQ(menu(), (MenuState{EXIT_DISABLED, true, false, false, false}));

    portal.getCurrentRetriever()->forceThreadsToEnd();
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(menu(), (MenuState{EXIT, true, true, false, true}));

    // A minimised window is opened as a hidden one is, and comes back.
    ASSERT_TRUE(chooseFromMenu(portal.getTray()->getOpenItem()));
    ASSERT_TRUE(driver.minimizeByUser(*portal.getShell(), true));
    EXPECT_EQ(menu(), (MenuState{EXIT, true, true, true, true}));
    ASSERT_TRUE(chooseFromMenu(portal.getTray()->getOpenItem()));
    EXPECT_FALSE(portal.getShell()->getMinimized());
}

TEST_F(PortalTray, OpenAndUpdateShowsTheWindowAndRefreshesEveryPageForTheUser) {
    goOnline(false);
    LBApp& portal = start(true);
    ASSERT_TRUE(driver.menuDetectTray(*portal.getTray()->getTrayItem()));
    ASSERT_TRUE(driver.choose(*portal.getTray()->getOpenAndUpdateItem()));
    EXPECT_TRUE(portal.getShell()->getVisible());
    // The first showing's refresh, then the user's.
    EXPECT_EQ(loggedCount("launchRetriever (skipped - no internet connection)"), 2u);
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "No Internet Connection");
    EXPECT_EQ(driver.shownDialogs()[0].message, "No Internet connection is available to download updated content.");
    EXPECT_EQ(driver.shownDialogs()[0].style & tk::ICON_WARNING, tk::ICON_WARNING);
}

TEST_F(PortalTray, ExitWhileHiddenRealisesTheWindowAtOnePixelAndEndsTheLoop) {
    goOnline(false);
    LBApp& portal = start(true);
    tk::Shell* shell = portal.getShell();
    tk::Point size;
    shell->addListener(tk::Dispose, [&](tk::Event&) { size = shell->getSize(); });
    ASSERT_TRUE(driver.menuDetectTray(*portal.getTray()->getTrayItem()));
    ASSERT_TRUE(driver.choose(*portal.getTray()->getExitItem()));
    EXPECT_TRUE(shell->isDisposed());
    EXPECT_EQ(size, (tk::Point{1, 1}));
    EXPECT_TRUE(portal.isVisible());
}

TEST_F(PortalTray, NoMenuShowsBeforeThePortalHasStarted) {
    goOnline(false);
    LBApp& portal = start(true);
    portal.getTray()->setStartupComplete(false);
    EXPECT_TRUE(driver.menuDetectTray(*portal.getTray()->getTrayItem()));
    EXPECT_FALSE(portal.getTray()->getMenu()->getVisible());
}

TEST_F(PortalTray, OnWindowsXpTheXpPictureIsUsed) {
    goOnline(false);
    start(true);
    LBTray xp(*app, true);
    EXPECT_EQ(xp.getImagePath(), "images/internal/tray-small-xp.bmp");
    xp.dispose();
}

}  // namespace
}  // namespace rltest::portaltest
