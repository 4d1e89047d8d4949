// Content refreshes from the portal: the progress display while one runs,
// the panes reloaded when it completes, the message centre it found, the
// second upgrade check, one refresh at a time, and the end of the program
// while one runs.

#include "tests/portal/window/PortalFixture.h"
#include "tests/support/Wait.h"

namespace rltest::portaltest {
namespace {

class PortalRefresh : public PortalTest {
protected:
    // Starts at logon and puts the window on the screen without showing it
    // the portal's way, so that no refresh starts before the test's own.
    LBApp& startOnPage(const std::string& page) {
        LBApp& portal = start(true);
        portal.getShell()->setVisible(true);
        driver.runPending();
        EXPECT_TRUE(follow(portal.getOuterBrowser(), url(page)));
        return portal;
    }

    bool follow(tk::Browser* browser, const std::string& target) {
        const bool went = driver.followLink(*browser, target);
        driver.runPending();
        return went;
    }
};

TEST_F(PortalRefresh, WhileARefreshRunsTheProgressPaneShowsAndThePanelsButtonsRest) {
    stallTheWeatherSite();
    LBApp& portal = startOnPage("moviefone.html");
    portal.show();
    ASSERT_TRUE(LBApp::isRetrievalInProgress());
    tk::Browser* progress = portal.getProgressBrowser();
    ASSERT_NE(progress, nullptr);
    // 20 pixels lower on the movie page.
    EXPECT_EQ(progress->getBounds(), (tk::Rectangle{886 - 182, 688 - 208 + 20, 185, 160}));
    EXPECT_EQ(navigations(progress).back(), url("update-anim.html"));
    EXPECT_FALSE(dynamic_cast<tk::Button*>(panelControl("Update Current Page"))->getEnabled());
    EXPECT_FALSE(dynamic_cast<tk::Button*>(panelControl("Update All Pages"))->getEnabled());

    portal.getCurrentRetriever()->forceThreadsToEnd();
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(navigations(progress).back(), "about:blank");
    EXPECT_TRUE(dynamic_cast<tk::Button*>(panelControl("Update Current Page"))->getEnabled());
    EXPECT_TRUE(dynamic_cast<tk::Button*>(panelControl("Update All Pages"))->getEnabled());
}

TEST_F(PortalRefresh, ACompletedRefreshReloadsThePanesOfARefreshedPage) {
    content::scriptContentSites(web, "");
    LBApp& portal = startOnPage("bloomberg.html");
    const size_t outerBefore = navigations(portal.getOuterBrowser()).size();
    const size_t innerBefore = navigations(portal.getInnerBrowser()).size();
    portal.show();
    ASSERT_TRUE(finishRefresh());
    // The market page: both panes, and the inner once more by the outer.
    auto outer = navigations(portal.getOuterBrowser());
    ASSERT_EQ(outer.size(), outerBefore + 1);
    EXPECT_EQ(outer.back(), url("bloomberg.html"));
    auto inner = navigations(portal.getInnerBrowser());
    ASSERT_GT(inner.size(), innerBefore);
    EXPECT_EQ(inner.back(), url("bloomberg-inner.html"));
    // The filled page is what the pane shows now.
    EXPECT_NE(readFile(content + "bloomberg-inner.html").find("Quarterly rate"), std::string::npos);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 2);
}

TEST_F(PortalRefresh, ACompletedRefreshLeavesAStaticPageAlone) {
    content::scriptContentSites(web, "");
    LBApp& portal = startOnPage("dictionary.html");
    const size_t outerBefore = navigations(portal.getOuterBrowser()).size();
    const size_t innerBefore = navigations(portal.getInnerBrowser()).size();
    portal.show();
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(navigations(portal.getOuterBrowser()).size(), outerBefore);
    EXPECT_EQ(navigations(portal.getInnerBrowser()).size(), innerBefore);
}

TEST_F(PortalRefresh, AMessageFoundByTheRefreshOpensBeforeTheSecondUpgradeCheck) {
    content::scriptContentSites(web, "http://www.roamledger.example/lanternbay/message.php?guid=1&w=300&h=200&");
    LBApp& portal = start(true);
    int checksWhileOpen = -1;
    std::string title;
    whenShellOpens(display, "Lanternbay Message Center", [&](tk::Shell& message) {
        title = message.getText();
        checksWhileOpen = portal.getNumUpgradeChecks();
        EXPECT_EQ(message.getModality(), tk::APPLICATION_MODAL);
        auto browsers = controlsOf<tk::Browser>(&message);
        ASSERT_EQ(browsers.size(), 1u);
        EXPECT_FALSE(driver.followLink(*browsers[0], "http://www.roamledger.example/lanternbay/CloseWindow"));
    });
    portal.show();
    ASSERT_TRUE(finishRefresh());
    EXPECT_EQ(title, "Lanternbay Message Center");
    EXPECT_EQ(checksWhileOpen, 1);
    EXPECT_EQ(portal.getNumUpgradeChecks(), 2);
    EXPECT_EQ(findShell(display, "Lanternbay Message Center"), nullptr);
}

TEST_F(PortalRefresh, AFailureBeforeARefreshStartsIsLoggedAndStartsNothing) {
    goOnline(true);
    LBApp& portal = start(true);
    // The panel is gone: the connection question fails inside the launch.
    portal.getPopupMenu()->removePopupMenu();
    portal.launchRetriever(true, true);
    EXPECT_TRUE(logged(" - Unable to launch retriever: "));
    EXPECT_FALSE(LBApp::isRetrievalInProgress());
    EXPECT_TRUE(logged(" - launchRetriever:exit\n"));
}

TEST_F(PortalRefresh, EndingTheProgramDuringARefreshEndsTheRefreshAndExitsWithZero) {
    stallTheWeatherSite();
    std::shared_ptr<portal::retriever::LBRetriever> running;
    display.asyncExec([&] {
        LBApp* portal = LBApp::getInstance();
        ASSERT_NE(portal, nullptr);
        ASSERT_TRUE(finishStart(*portal));
        running = portal->getCurrentRetriever();
        ASSERT_NE(running, nullptr);
        ASSERT_TRUE(LBApp::isRetrievalInProgress());
        // The refresh reached the site that never answers.
        ASSERT_TRUE(waitFor([this] { return !site(content::WEATHER_HOST).requests().empty(); }, 30000));
        // As the upgrade client ends the program.
        portal->exit();
    });
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(LBApp::main({"by-hand"}), 0);
    const auto took = std::chrono::steady_clock::now() - before;
    ASSERT_NE(running, nullptr);
    EXPECT_FALSE(running->isAlive());
    EXPECT_FALSE(LBApp::isRetrievalInProgress());
    EXPECT_LT(took, std::chrono::seconds(30));
    EXPECT_TRUE(logged(" - clean up\n"));
    EXPECT_TRUE(logged(" - No retriever thread running - exiting\n"));
    EXPECT_EQ(LBApp::getInstance(), nullptr);
}

TEST_F(PortalRefresh, WithoutATrayTheCloseBoxEndsTheProgramDuringARefresh) {
    stallTheWeatherSite();
    setScreen({0, 0, 1280, 1024}, {0, 0, 1280, 994}, 26, false);
    std::shared_ptr<portal::retriever::LBRetriever> running;
    display.asyncExec([&] {
        LBApp* portal = LBApp::getInstance();
        ASSERT_NE(portal, nullptr);
        ASSERT_TRUE(finishStart(*portal));
        running = portal->getCurrentRetriever();
        ASSERT_NE(running, nullptr);
        EXPECT_TRUE(driver.closeBox(*portal->getShell()));
    });
    EXPECT_EQ(LBApp::main({"by-hand"}), 0);
    ASSERT_NE(running, nullptr);
    EXPECT_FALSE(running->isAlive());
    EXPECT_TRUE(logged(" - No retriever thread running - exiting\n"));
}

}  // namespace
}  // namespace rltest::portaltest
