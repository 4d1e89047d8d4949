// The portal's two panes: which navigations stay inside and which go to
// the user's own browser, the outer page choosing the inner one, the inner
// pane's place for each page, the tracker window on the balances page,
// the share popup and the close box.

#include <algorithm>
#include <filesystem>

#include "foundation/HostTable.h"
#include "tests/portal/window/PortalFixture.h"
#include "tracker/ui/RLAppLanternbay.h"

namespace rltest::portaltest {
namespace {

class PortalPanes : public PortalTest {
protected:
    PortalPanes() { goOnline(false); }

    // Follows a link in the pane and lets the load finish.
    bool follow(tk::Browser* browser, const std::string& target) {
        const bool went = driver.followLink(*browser, target);
        driver.runPending();
        return went;
    }

    std::string lastNavigation(tk::Browser* browser) const {
        auto all = navigations(browser);
        return all.empty() ? std::string() : all.back();
    }

    // Where the inner pane sits for a page.
    static tk::Rectangle innerPlace(const std::string& innerPage) {
        if (innerPage.find("moviefone") != std::string::npos) return {0, 125, 711, 507};
        if (innerPage.find("bloomberg") != std::string::npos) return {0, 126, 711, 506};
        return {0, 100, 711, 532};
    }
};

TEST_F(PortalPanes, TheWindowOpensOnTheMapPage) {
    LBApp& portal = start(false);
    driver.runPending();
    EXPECT_EQ(navigations(portal.getOuterBrowser()), (std::vector<std::string>{url("mapquest.html")}));
    EXPECT_EQ(navigations(portal.getInnerBrowser()), (std::vector<std::string>{url("mapquest-inner.html")}));
    EXPECT_EQ(portal.getOuterBrowser()->getBounds(), (tk::Rectangle{0, 0, 886, 688}));
    EXPECT_EQ(portal.getInnerBrowser()->getBounds(), (tk::Rectangle{0, 100, 711, 532}));
    EXPECT_EQ(portal.getOuterBrowserLocation(), url("mapquest.html"));
    EXPECT_EQ(portal.getInnerBrowserLocation(), url("mapquest-inner.html"));
    EXPECT_TRUE(url("mapquest.html").rfind("file:///", 0) == 0);
}

TEST_F(PortalPanes, EveryOuterPageLoadsItsOwnInnerPage) {
    LBApp& portal = start(false);
    driver.runPending();
    for (const LBApp::PagePair& pair : LBApp::pagePairs()) {
        if (std::string(pair.outer) == "roamledger.html") continue;
        EXPECT_TRUE(follow(portal.getOuterBrowser(), url(pair.outer))) << pair.outer;
        EXPECT_EQ(lastNavigation(portal.getInnerBrowser()), url(pair.inner)) << pair.outer;
        EXPECT_EQ(portal.getOuterBrowserLocation(), url(pair.outer));
        EXPECT_EQ(portal.getInnerBrowser()->getBounds(), innerPlace(pair.inner)) << pair.outer;
    }
    EXPECT_TRUE(opened.urls().empty());
}

TEST_F(PortalPanes, TheInnerPaneTakesItsPlaceForEveryPairOfPages) {
    LBApp& portal = start(false);
    driver.runPending();
    tk::Browser* inner = portal.getInnerBrowser();
    for (const LBApp::PagePair& from : LBApp::pagePairs()) {
        for (const LBApp::PagePair& to : LBApp::pagePairs()) {
            ASSERT_TRUE(follow(inner, url(from.inner)));
            ASSERT_EQ(inner->getBounds(), innerPlace(from.inner)) << from.inner;
            ASSERT_TRUE(follow(inner, url(to.inner)));
            EXPECT_EQ(inner->getBounds(), innerPlace(to.inner)) << from.inner << " -> " << to.inner;
        }
        // A blank page counts as local and puts the pane back.
        ASSERT_TRUE(follow(inner, "about:blank"));
        EXPECT_EQ(inner->getBounds(), (tk::Rectangle{0, 100, 711, 532})) << from.inner << " -> about:blank";
    }
}

TEST_F(PortalPanes, OutsideLinksInEitherPaneOpenInTheUsersBrowserAndThePaneStays) {
    LBApp& portal = start(false);
    driver.runPending();
    EXPECT_FALSE(follow(portal.getOuterBrowser(), "http://www.example.com/outer"));
    EXPECT_FALSE(follow(portal.getInnerBrowser(), "https://www.example.com/inner?a=1"));
    // Each address opens on a thread of its own, so in either order.
    auto both = opened.waitFor(2);
    std::sort(both.begin(), both.end());
    EXPECT_EQ(both, (std::vector<std::string>{"http://www.example.com/outer", "https://www.example.com/inner?a=1"}));
    EXPECT_EQ(portal.getOuterBrowserLocation(), url("mapquest.html"));
    EXPECT_EQ(portal.getInnerBrowserLocation(), url("mapquest-inner.html"));
    // Addresses that are no web or mail address never leave the program.
    EXPECT_FALSE(follow(portal.getInnerBrowser(), "file:///etc/passwd"));
    EXPECT_FALSE(follow(portal.getOuterBrowser(), "javascript:alert(1)"));
    // The advertising pixel is never opened.
    EXPECT_FALSE(follow(portal.getInnerBrowser(),
                        foundation::HostTable::url("PortalAds.site", "/PointRoll/Media/banners/tran1x1.gif")));
    EXPECT_FALSE(follow(portal.getInnerBrowser(), "mailto:friend@example.com"));
    EXPECT_EQ(opened.waitFor(3).back(), "mailto:friend@example.com");
    EXPECT_EQ(opened.urls().size(), 3u);
}

TEST_F(PortalPanes, InnerScriptLinksAreCancelledAndAdvertisingServersLoadInPlace) {
    LBApp& portal = start(false);
    driver.runPending();
    EXPECT_FALSE(follow(portal.getInnerBrowser(), url("weatherbug-inner.html") + "##"));
    const std::string ad = foundation::HostTable::get("AdServer2.site") + "banner?zip=46236";
    EXPECT_TRUE(follow(portal.getInnerBrowser(), ad));
    EXPECT_EQ(portal.getInnerBrowserLocation(), ad);
    EXPECT_EQ(portal.getInnerBrowser()->getBounds(), (tk::Rectangle{0, 100, 711, 532}));
    EXPECT_TRUE(opened.urls().empty());
}

TEST_F(PortalPanes, AFolderNamedAfterAPageDoesNotMakeEveryPageThatPage) {
    const std::string folder = dir.file("moviefone bloomberg");
    moveInstallInto(folder);
    LBApp& portal = start(false);
    driver.runPending();
    EXPECT_TRUE(follow(portal.getOuterBrowser(), url("dictionary.html")));
    EXPECT_EQ(portal.getInnerBrowser()->getBounds(), (tk::Rectangle{0, 100, 711, 532}));
    EXPECT_FALSE(portal.shouldInnerUpdateWhenDone());
    EXPECT_FALSE(portal.shouldOuterUpdateWhenDone());
    goOnline(true);
    portal.launchRetriever(false, true);
    EXPECT_EQ(portal.getCurrentRetriever(), nullptr);
    app.reset();
    std::filesystem::current_path(dir.path());
    EXPECT_NE(readFile(folder + "/Lanternbay.log").find(
                  " - launchRetriever (skipped - no dynamic content on current page)\n"),
              std::string::npos);
}

TEST_F(PortalPanes, TheBalancesPageOpensTheTrackerWindowOverTheInnerPane) {
    LBApp& portal = start(false);
    driver.runPending();
    EXPECT_EQ(portal.getTrackerWindow(), nullptr);
    EXPECT_TRUE(follow(portal.getOuterBrowser(), url("roamledger.html")));
    EXPECT_EQ(lastNavigation(portal.getInnerBrowser()), url("roamledger-inner.html"));
    tracker::ui::RLAppLanternbay* tracker = portal.getTrackerWindow();
    ASSERT_NE(tracker, nullptr);
    auto* trackerShell = dynamic_cast<tk::Shell*>(tracker->getComposite());
    ASSERT_NE(trackerShell, nullptr);
    EXPECT_EQ(trackerShell->getParentShell(), portal.getShell());
    EXPECT_TRUE(trackerShell->getVisible());
    // Over the inner pane, 130 pixels in: the client area begins 4 and 30
    // pixels into the window here (border and title bar).
    const tk::Point at = portal.getShell()->getLocation();
    EXPECT_EQ(trackerShell->getBounds(), (tk::Rectangle{at.x + 134, at.y + 130, 581, 532}));
    EXPECT_EQ(tracker::ui::BaseRLApp::getAppType(), tracker::ui::BaseRLApp::APP_TYPE_LANTERNBAY);
    EXPECT_EQ(tracker::ui::BaseRLApp::getParentUUID(), "0123456789ABCDEF0123456789ABCDEF");

    // Other pages hide it; the balances page shows the same window again.
    EXPECT_TRUE(follow(portal.getOuterBrowser(), url("weatherbug.html")));
    EXPECT_FALSE(trackerShell->getVisible());
    EXPECT_TRUE(follow(portal.getOuterBrowser(), url("roamledger.html")));
    EXPECT_EQ(portal.getTrackerWindow(), tracker);
    EXPECT_TRUE(trackerShell->getVisible());

    // It follows the portal's window, and the frame the window manager puts
    // around it (a title bar of 20 pixels).
    ASSERT_TRUE(driver.moveByUser(*portal.getShell(), 200, 150));
    EXPECT_EQ(trackerShell->getLocation(), (tk::Point{334, 280}));
    setScreen({0, 0, 1280, 1024}, {0, 0, 1280, 994}, 20);
    ASSERT_TRUE(driver.reframe(*portal.getShell()));
    EXPECT_EQ(trackerShell->getLocation(), (tk::Point{334, 274}));

    // From now on the clean-up ends the process through the tracker's.
    portal.exit();
    portal.cleanUp();
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_TRUE(fileExists(dir.file("Roamledger.settings")));
}

TEST_F(PortalPanes, TheSharePopupShowsItsPageAndClosesWhenItsFormIsSent) {
    LBApp& portal = start(false);
    driver.runPending();
    portal.showSharePopup();
    tk::Shell* popup = portal.getSharePopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->getText(), "");
    EXPECT_EQ(popup->getModality(), tk::APPLICATION_MODAL);
    EXPECT_FALSE(popup->hasSizeCommands());
    const tk::Rectangle main = portal.getShell()->getBounds();
    EXPECT_EQ(popup->getBounds(),
              (tk::Rectangle{main.x + (main.width - 421) / 2, main.y + (main.height - 261) / 2, 421, 261}));
    auto browsers = controlsOf<tk::Browser>(popup);
    ASSERT_EQ(browsers.size(), 1u);
    EXPECT_EQ(browsers[0]->getBounds(), (tk::Rectangle{0, 0, 439, 261}));
    EXPECT_EQ(navigations(browsers[0]), (std::vector<std::string>{url("share.html")}));
    EXPECT_TRUE(display.isBlocked(portal.getShell()));
    ASSERT_TRUE(driver.followLink(*browsers[0], url("share.html") + "?to=friend%40example.com&from=Ann"));
    driver.runPending();
    EXPECT_EQ(portal.getSharePopup(), nullptr);
    EXPECT_FALSE(display.isBlocked(portal.getShell()));
}

TEST_F(PortalPanes, TheCloseBoxOnlyHidesTheWindow) {
    LBApp& portal = start(false);
    EXPECT_TRUE(driver.closeBox(*portal.getShell()));
    EXPECT_FALSE(portal.getShell()->isDisposed());
    EXPECT_FALSE(portal.getShell()->getVisible());
    EXPECT_FALSE(portal.isVisible());
    EXPECT_TRUE(portal.getTray()->hasIcon());
}

}  // namespace
}  // namespace rltest::portaltest
