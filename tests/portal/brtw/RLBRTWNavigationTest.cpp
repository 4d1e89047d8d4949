// The wrapper browser's navigation rules, in their order: the online form of
// an offline page, the open Users and Accounts dialog, the page's frames,
// scripts and ads, the tracker's actions, the popups, the panel and the
// click-throughs; and the offline question before acting.

#include <gtest/gtest.h>

#include "tests/portal/brtw/BrtwFixture.h"
#include "tests/support/Wait.h"
#include "tracker/ui/BugReportDialog.h"
#include "tracker/ui/SetupDialog.h"

namespace {

using namespace rltest;
using namespace rltest::brtw;
using tracker::ui::SetupDialog;

const char* const OFFLINE_QUESTION_TITLE = "Roamledger - Not Connected to Internet";

class RLBRTWNavigationTest : public BrtwFixture {
protected:
    // A retrieval of one account that waits for the gate.
    void holdRetrievals() {
        adapters.add("American", [this](ScriptedSource& s) {
            gate.pass();
            s.registerBalance("2500");
        });
    }

    void endRetrieval() {
        gate.open();
        ASSERT_TRUE(tracker().getEngine()->join(rltest::scaled(10000)));
        settle();
    }

    std::string trackerPage() {
        settle();
        return trackerRecord().url;
    }
    std::string resultsPage() { return tracker::BaseEngine::toFileURL(tracker().getEngine()->getBalancesPath()); }
    std::string summaryPage() { return tracker::BaseEngine::toFileURL(tracker().getEngine()->getSummaryPath()); }

    std::string wrapperPage() {
        settle();
        return wrapperRecord().url;
    }

    std::vector<tk::Shell*> windowPopups() { return window->getShell()->getShells(); }

    Gate gate;
};

TEST_F(RLBRTWNavigationTest, ThePagesFramesLoadUntouched) {
    prepareSettings({{"Alice", {"American"}}});
    open();
    const int ads = RLPreferences::getAdsLastLaunch();
    const std::string before = trackerPage();
    for (const char* frame : {"news.html", "email.html", "ad-300x250-blank.html", "ad-160x600-blank.html",
                              "ad-300x250-offline.html", "ad-160x600-offline.html", "welcome-inner.html"}) {
        EXPECT_TRUE(click(page(frame), false)) << frame;
    }
    EXPECT_TRUE(click("about:blank", false));
    EXPECT_EQ(RLPreferences::getAdsLastLaunch(), ads);
    EXPECT_FALSE(logged("Inlining outer JS/ad"));
    EXPECT_FALSE(logged("Clickthrough for outer"));
    EXPECT_EQ(trackerPage(), before);
    EXPECT_TRUE(opened.urls().empty());
    EXPECT_EQ(loggedCount("brtw browser changing took "), 8u);
}

TEST_F(RLBRTWNavigationTest, ScriptsAndOutsideAdsGoAheadAndCountAsAdViews) {
    prepareSettings({{"Alice", {}}});
    open();
    const int ads = RLPreferences::getAdsLastLaunch();
    const std::string adServer = foundation::HostTable::get("AdServer2.site") + "banner?id=7";
    for (const std::string& url : {std::string("javascript:void(0)"), std::string("JavaScript:go()"), adServer,
                                   std::string("http://www.brightwire.example/ads/ad-300x250-travel.html")}) {
        EXPECT_TRUE(click(url, false)) << url;
        EXPECT_TRUE(logged("Inlining outer JS/ad: " + url)) << url;
    }
    EXPECT_EQ(RLPreferences::getAdsLastLaunch(), ads + 4);
    EXPECT_TRUE(opened.urls().empty());

    // The tracker's own ad frames are the wrapper's too.
    EXPECT_TRUE(driver.followLink(*tracker().getBrowser(), page("ad-160x600-balances.html"), false));
    EXPECT_TRUE(logged("Inlining inner JS/ad: " + page("ad-160x600-balances.html")));
    EXPECT_EQ(RLPreferences::getAdsLastLaunch(), ads + 5);
}

TEST_F(RLBRTWNavigationTest, TheUpdateButtonStartsARetrievalWhichEndsOnTheBalancesPage) {
    holdRetrievals();
    prepareSettings({{"Alice", {"American"}}});
    open();
    tracker().hide();
    const auto headlines = window->getNewsRetriever();

    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());
    // The headlines were fetched once already: no second fetch.
    EXPECT_EQ(window->getNewsRetriever(), headlines);
    EXPECT_TRUE(tracker().getComposite()->getVisible());
    EXPECT_EQ(trackerPage(), tracker::BaseEngine::toFileURL(tracker().getEngine()->getInterstitialPath()));
    EXPECT_EQ(wrapperPage(), page("cancel.html") + "?update");
    EXPECT_TRUE(driver.shownDialogs().empty());

    endRetrieval();
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), std::string("2500"));
    EXPECT_EQ(wrapperPage(), page("balances.html"));
    EXPECT_EQ(trackerPage(), resultsPage());
}

TEST_F(RLBRTWNavigationTest, TheCancelLinkEndsARunningRetrievalAndThePlainPagesShowWhatTheySay) {
    holdRetrievals();
    prepareSettings({{"Alice", {"American"}}});
    open();
    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    ASSERT_TRUE(BaseRLApp::isCheckInProgress());

    // The cancel page itself changes nothing.
    EXPECT_TRUE(click(page("cancel.html")));
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());

    // "balances.html?cancel" is the cancel button, not the balances tab.
    EXPECT_TRUE(click(page("balances.html") + "?cancel"));
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
    EXPECT_EQ(trackerPage(), resultsPage());
    gate.open();
    ASSERT_TRUE(tracker().getEngine()->join(rltest::scaled(10000)));
    settle();

    // The summary and the balances tabs.
    EXPECT_TRUE(click(page("summary.html")));
    EXPECT_EQ(trackerPage(), summaryPage());
    EXPECT_TRUE(click(page("balances.html")));
    EXPECT_EQ(trackerPage(), resultsPage());
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
}

TEST_F(RLBRTWNavigationTest, SummaryAndSetupWaitForARunningRetrieval) {
    holdRetrievals();
    prepareSettings({{"Alice", {"American"}}});
    open();
    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    ASSERT_TRUE(BaseRLApp::isCheckInProgress());
    const std::string inProgress = trackerPage();

    // The wrapper goes on to each page; only the tracker's action waits.
    EXPECT_TRUE(click(page("summary.html")));
    EXPECT_EQ(wrapperPage(), page("summary.html"));
    EXPECT_TRUE(click(page("setup.html")));
    EXPECT_EQ(wrapperPage(), page("setup.html"));
    ASSERT_EQ(driver.shownDialogs().size(), 2u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "Roamledger - Retrieval In Progress");
    EXPECT_EQ(driver.shownDialogs()[0].message,
              "The summary can be shown once the balances being retrieved are in. Please wait until the retrieval "
              "has finished, or cancel it.");
    EXPECT_EQ(driver.shownDialogs()[0].style, tk::ICON_INFORMATION | tk::OK);
    EXPECT_EQ(driver.shownDialogs()[1].title, "Roamledger - Retrieval In Progress");
    EXPECT_EQ(driver.shownDialogs()[1].message,
              "Users and accounts cannot be changed while balances are being retrieved. Please wait until the "
              "retrieval has finished, or cancel it.");
    EXPECT_EQ(trackerPage(), inProgress);
    EXPECT_EQ(tracker().getSetupDialog(), nullptr);
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());

    endRetrieval();
    EXPECT_TRUE(click(page("setup.html")));
    auto dialog = tracker().getSetupDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->getShell()->getVisible());
}

TEST_F(RLBRTWNavigationTest, AnOpenUsersAndAccountsDialogIsEndedBeforeThePageChanges) {
    prepareSettings({{"Alice", {}}});
    open();
    EXPECT_TRUE(click(page("setup.html")));
    auto dialog = tracker().getSetupDialog();
    ASSERT_NE(dialog, nullptr);

    // A login without its password is refused: the page stays, and so does
    // the dialog.
    ASSERT_TRUE(driver.select(*dialog->getMainFolder(), SetupDialog::MAIN_ACCOUNTS_TAB));
    ASSERT_TRUE(driver.select(*dialog->getAccountList(), *RLPreferences::findRow("American")));
    ASSERT_TRUE(driver.replaceText(*dialog->getUsernameField(), "alice7"));
    const std::string before = trackerPage();
    EXPECT_FALSE(click(page("summary.html")));
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_FALSE(dialog->getShell()->isDisposed());
    EXPECT_EQ(trackerPage(), before);

    // Completed, the dialog ends and the page does what it says.
    ASSERT_TRUE(driver.replaceText(*dialog->getPasswordField(), "pw"));
    EXPECT_TRUE(click(page("summary.html")));
    EXPECT_TRUE(dialog->getShell()->isDisposed());
    EXPECT_EQ(tracker().getSetupDialog(), nullptr);
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "alice7");
    EXPECT_EQ(trackerPage(), summaryPage());
    EXPECT_NE(readFile(dir.file("Roamledger.settings")).find("User0AmericanUsername=alice7"), std::string::npos);
}

TEST_F(RLBRTWNavigationTest, TheOnlineFormOfAnOfflinePageGoesAheadWithoutBeingActedOn) {
    holdRetrievals();
    prepareSettings({{"Alice", {"American"}}});
    open();
    RLBRTW& w = *window;

    // Back online through a headline frame: the frame does not count as the
    // page's online form, the next navigation does and is taken as it is.
    EXPECT_TRUE(w.removeOfflineParamFromURLAndBrowseTo(page("news.html") + "?offline"));
    EXPECT_TRUE(logged("User moved from offline to online"));
    EXPECT_TRUE(w.isOfflineToOnline());
    EXPECT_TRUE(click(page("news.html"), false));
    EXPECT_TRUE(w.isOfflineToOnline());
    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    EXPECT_FALSE(w.isOfflineToOnline());
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());

    // Without the parameter nothing happens.
    EXPECT_FALSE(w.removeOfflineParamFromURLAndBrowseTo(page("balances.html")));
    EXPECT_FALSE(w.removeOfflineParamFromURLAndBrowseTo(page("ad-160x600-offline.html")));
    EXPECT_FALSE(w.removeOfflineParamFromURLAndBrowseTo(std::nullopt));
    EXPECT_EQ(loggedCount("User moved from offline to online"), 1u);
}

TEST_F(RLBRTWNavigationTest, OfflineTheUpdateButtonAsksFirst) {
    holdRetrievals();
    goOffline();
    prepareSettings({{"Alice", {"American"}}});
    open();
    ASSERT_EQ(wrapperPage(), page("welcome.html") + "?offline");

    driver.answerButton(tk::NO);
    EXPECT_FALSE(click(page("cancel.html") + "?update&offline"));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, OFFLINE_QUESTION_TITLE);
    EXPECT_NE(driver.shownDialogs()[0].message.find("Do you still wish to attempt to update your balances?"),
              std::string::npos);
    EXPECT_FALSE(BaseRLApp::isCheckInProgress());
    EXPECT_EQ(wrapperPage(), page("welcome.html") + "?offline");

    // Yes: the page goes online without its parameter, once, and the
    // retrieval starts.
    driver.answerButton(tk::YES);
    EXPECT_FALSE(click(page("cancel.html") + "?update&offline"));
    EXPECT_EQ(wrapperPage(), page("cancel.html") + "?update");
    EXPECT_TRUE(logged("User moved from offline to online"));
    EXPECT_FALSE(window->isOfflineToOnline());
    EXPECT_TRUE(BaseRLApp::isCheckInProgress());
    const auto engine = tracker().getEngine();
    endRetrieval();
    EXPECT_EQ(tracker().getEngine(), engine);
    EXPECT_EQ(driver.shownDialogs().size(), 2u);
}

TEST_F(RLBRTWNavigationTest, TheSharePopupOpensItsLinksOutsideAndClosesOnceSent) {
    prepareSettings({{"Alice", {}}});
    open();
    EXPECT_TRUE(click(page("share.html"), false));
    ASSERT_EQ(windowPopups().size(), 1u);
    tk::Shell& popup = *windowPopups()[0];
    EXPECT_EQ(window->getSharePopup(), &popup);
    EXPECT_EQ(popup.getSize(), (tk::Point{527, 345}));
    const tk::Rectangle outer = window->getShell()->getBounds();
    EXPECT_EQ(popup.getLocation(), (tk::Point{outer.x + (outer.width - 527) / 2, outer.y + (outer.height - 345) / 2}));
    EXPECT_TRUE(popup.getVisible());
    auto* browser = dynamic_cast<tk::Browser*>(popup.getChildren().at(0));
    ASSERT_NE(browser, nullptr);
    settle();
    EXPECT_EQ(tk::headless::browserRecord(*browser).url, page("share.html"));

    // Asked again, the open popup comes forward.
    EXPECT_TRUE(click(page("share.html"), false));
    EXPECT_EQ(windowPopups().size(), 1u);

    // The message goes to the user's own mail program.
    const std::string mail = "mailto:friend%40example.com?subject=Roamledger&body=Try%20it";
    EXPECT_FALSE(driver.followLink(*browser, mail));
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{mail}));
    settle();
    EXPECT_FALSE(popup.isDisposed());
    // Sent: the popup closes.
    EXPECT_TRUE(driver.followLink(*browser, page("share.html") + "?sent"));
    settle();
    EXPECT_EQ(window->getSharePopup(), nullptr);
    EXPECT_TRUE(windowPopups().empty());
}

TEST_F(RLBRTWNavigationTest, ContactOpensTheContactFormAndTheJoinLinkTheOptInPage) {
    prepareSettings({{"Alice", {}}});
    open();
    EXPECT_TRUE(click(page("contact.html"), false));
    auto dialogs = tracker().getDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dynamic_cast<tracker::ui::BugReportDialog*>(dialogs[0]), nullptr);
    dialogs[0]->getShell()->dispose();
    settle();

    EXPECT_TRUE(click(page("joinpanel.html"), false));
    const std::string optIn = std::string(OPT_IN_HOST) + "/optin/optin_details.php?UUID=" + RLPreferences::getUUID();
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{optIn}));

    // Offline the user is asked first; declined, nothing opens.
    goOffline();
    driver.answerButton(tk::NO);
    EXPECT_TRUE(click(page("joinpanel.html"), false));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_NE(driver.shownDialogs()[0].message.find("launch your web browser to the link that you clicked?"),
              std::string::npos);
    EXPECT_EQ(opened.urls().size(), 1u);
}

TEST_F(RLBRTWNavigationTest, EverythingElseOpensOutsideAndAnOfflinePageIsShownOnlineAgain) {
    prepareSettings({{"Alice", {}}});
    open();
    const std::string story = std::string(PRODUCT_HOST) +
                              "/roamledger/brtw/newsclick.php?href=http://www.brightwire.example/a.html&hrefguid=1"
                              "&version=20060430";
    EXPECT_FALSE(click(story, false));
    EXPECT_TRUE(logged("Clickthrough for outer ad/news/deals: " + story));
    EXPECT_EQ(opened.waitFor(1), (std::vector<std::string>{story}));

    // Only the window's own pages are acted on: an outside address that
    // merely looks like one is a click-through.
    const std::string lookalike = "http://www.brightwire.example/brtw/setup.html";
    EXPECT_FALSE(click(lookalike));
    EXPECT_EQ(tracker().getSetupDialog(), nullptr);
    EXPECT_EQ(opened.waitFor(2).back(), lookalike);
    window.reset();

    // Offline: declined, nothing opens; accepted, the page shown offline is
    // shown online and the address opens.
    goOffline();
    open();
    driver.answerButton(tk::NO);
    EXPECT_FALSE(click(story, false));
    EXPECT_EQ(opened.urls().size(), 2u);
    EXPECT_EQ(wrapperPage(), page("welcome.html") + "?offline");
    driver.answerButton(tk::YES);
    EXPECT_FALSE(click(story, false));
    EXPECT_EQ(opened.waitFor(3).back(), story);
    EXPECT_EQ(wrapperPage(), page("welcome.html"));
    EXPECT_TRUE(logged("User moved from offline to online"));
    EXPECT_FALSE(window->isOfflineToOnline());
}

TEST_F(RLBRTWNavigationTest, ThePanelInvitationComesOnceAfterEnoughLaunches) {
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("10"); });
    // The window's start makes this the fourth launch.
    prepareSettings({{"Alice", {"American"}}}, {{"StatLaunchCount", "3"}});
    open();
    ASSERT_EQ(RLPreferences::getLaunchCount(), 4);
    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    tk::Shell* panel = window->getPanelPopup();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->getText(), "Roamledger Panel");
    EXPECT_EQ(panel->getSize(), (tk::Point{818, 338}));
    const std::string optIn = std::string(OPT_IN_HOST) + "/optin/optin.php?UUID=" + RLPreferences::getUUID();
    settle();
    EXPECT_EQ(tk::headless::browserRecord(*dynamic_cast<tk::Browser*>(panel->getChildren().at(0))).url, optIn);
    EXPECT_TRUE(logged("Accessing panel optin at [" + optIn + "]"));
    EXPECT_NE(RLPreferences::getPanelPopupDate(), 0);
    EXPECT_NE(readFile(dir.file("Roamledger.settings")).find("StatPanelPopupDate="), std::string::npos);
    ASSERT_TRUE(tracker().getEngine()->join(rltest::scaled(10000)));
    settle();

    panel->dispose();
    EXPECT_TRUE(click(page("cancel.html") + "?update"));
    EXPECT_EQ(window->getPanelPopup(), nullptr);
    ASSERT_TRUE(tracker().getEngine()->join(rltest::scaled(10000)));
    settle();
}

TEST_F(RLBRTWNavigationTest, TheFirstLaunchInvitesOnlyWithAccounts) {
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("10"); });
    for (const bool withAccount : {false, true}) {
        std::filesystem::remove(dir.file("Roamledger.settings"));
        // The window's start makes this the first launch.
        prepareSettings({{"Alice", withAccount ? std::vector<std::string>{"American"} : std::vector<std::string>{}}},
                        {{"StatLaunchCount", "0"}});
        open();
        ASSERT_EQ(RLPreferences::getLaunchCount(), 1);
        EXPECT_TRUE(click(page("cancel.html") + "?update"));
        EXPECT_EQ(window->getPanelPopup() != nullptr, withAccount);
        if (auto engine = tracker().getEngine()) {
            ASSERT_TRUE(engine->join(rltest::scaled(10000)));
        }
        settle();
        window.reset();
    }
}

}  // namespace
