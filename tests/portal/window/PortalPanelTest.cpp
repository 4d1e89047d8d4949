// The Tiraleaf panel hosted by the portal, loaded from Tiraleaf.so by
// ProgID: its preferences reaching the portal's fields, the preferences
// form changing them, the content sites' cookies following the postal
// code, and the panel's search, update, share and Ctrl+Alt+S events.

#include "platform/com/OleAutomation.h"
#include "platform/system/KeyboardHook.h"
#include "tests/portal/window/PortalFixture.h"
#include "tests/support/Wait.h"

namespace rltest::portaltest {
namespace {

constexpr const char* COOKIE_PATH = "/Pages/esi/LocationSelector.html";
constexpr const char* LISTINGS_PATH = "/search/locationresults.adp";

class PortalPanel : public PortalTest {
protected:
    PortalPanel() { goOnline(false); }

    tk::Button* panelButton(const std::string& tip) { return dynamic_cast<tk::Button*>(panelControl(tip)); }

    // Opens the preferences form from the panel and runs body in it.
    void preferences(const std::function<void(tk::Shell&)>& body) {
        whenShellOpens(display, "Profile & Preferences", body);
        ASSERT_TRUE(driver.click(*panelButton("Profile and Preferences")));
        ASSERT_EQ(findShell(display, "Profile & Preferences"), nullptr);
    }

    void typeInto(tk::Shell& form, int field, const std::string& text) {
        driver.replaceText(*controlsOf<tk::Text>(&form)[field], text);
    }

    void pressOk(tk::Shell& form) { driver.click(*buttonWithText(&form, "OK")); }

    size_t cookieRequests(const std::string& zip) {
        size_t count = 0;
        for (const Request& r : site(content::WEATHER_HOST).requests("GET", COOKIE_PATH)) {
            if (r.target == std::string(COOKIE_PATH) + "?referrer_id=1&loc_change=" + zip) ++count;
        }
        for (const Request& r : site(content::MOVIE_HOST).requests("GET", LISTINGS_PATH)) {
            if (r.target == std::string(LISTINGS_PATH) + "?zipcode=" + zip + "&x=1&y=1") ++count;
        }
        return count;
    }
};

TEST_F(PortalPanel, ThePreferenceFilesValuesReachThePortalsFields) {
    Prefs prefs;
    prefs.guid = "FEDCBA9876543210FEDCBA9876543210";
    prefs.zipCode = "90210";
    prefs.updateFrequency = "45";
    prefs.tvGuideEmail = "tv@example.com";
    prefs.orbitzDefaultDeparture = "LAX";
    prefs.mapquestDefaultStreet = "9 Elm Rd";
    prefs.mapquestDefaultCity = "Beverly Hills";
    prefs.mapquestDefaultState = "CA";
    prefs.mapquestDefaultZipCode = "90211";
    prefs.updateOnLaunch = "true";
    prefs.unloadOnHide = "true";
    prefs.traySize = "Small";
    prefs.launchOnStartup = "false";
    writePrefs(prefs);
    LBApp& portal = start(false);
    EXPECT_TRUE(portal.arePreferencesLoaded());
    EXPECT_EQ(LBApp::getGUID(), "FEDCBA9876543210FEDCBA9876543210");
    EXPECT_EQ(portal.getPrefZipCode(), "90210");
    EXPECT_EQ(portal.getUpdateFrequencyMs(), 45 * 60000);
    EXPECT_EQ(portal.getPrefTVGuideEmail(), "tv@example.com");
    EXPECT_EQ(portal.getPrefOrbitzDefaultDeparture(), "LAX");
    EXPECT_EQ(portal.getPrefMapquestDefaultStreet(), "9 Elm Rd");
    EXPECT_EQ(portal.getPrefMapquestDefaultCity(), "Beverly Hills");
    EXPECT_EQ(portal.getPrefMapquestDefaultState(), "CA");
    EXPECT_EQ(portal.getPrefMapquestDefaultZipCode(), "90211");
    EXPECT_TRUE(portal.getPrefUpdateOnLaunch());
    EXPECT_TRUE(portal.getPrefUnloadOnHide());
    EXPECT_EQ(portal.getPrefTraySize(), "Small");
    EXPECT_FALSE(portal.getPrefLaunchOnStartup());
    // The control wrote the override marker for launch on startup "false".
    EXPECT_TRUE(fileExists(dir.file("Lanternbay.startupoverride")));
    // The first event asked for a preference-sensitive refresh before the
    // preferences counted as loaded, and renewed no cookies.
    EXPECT_TRUE(logged(" - launchRetriever (skipped - first preferences load)\n"));
    // Only the product server was asked anything (the upgrade check and
    // the launch report).
    for (const Request& request : web.requests()) EXPECT_EQ(request.hostName, content::PRODUCT_HOST) << request.url();
    EXPECT_EQ(cookieRequests("90210"), 0u);
}

TEST_F(PortalPanel, AFlagThatIsNeitherTrueNorFalseKeepsThePortalsValue) {
    Prefs prefs;
    prefs.launchOnStartup = "yes";
    prefs.updateOnLaunch = "TRUE";
    writePrefs(prefs);
    LBApp& portal = start(false);
    EXPECT_TRUE(portal.arePreferencesLoaded());
    EXPECT_TRUE(portal.getPrefLaunchOnStartup());
    EXPECT_FALSE(portal.getPrefUpdateOnLaunch());
    EXPECT_TRUE(logged("Ignoring the preference LaunchOnStartup: not true or false: yes"));
}

TEST_F(PortalPanel, OkWithoutChangesStartsNothingAndRenewsNoCookies) {
    LBApp& portal = start(false);
    const size_t refreshes = refreshRequests();
    preferences([this](tk::Shell& form) { pressOk(form); });
    EXPECT_EQ(refreshRequests(), refreshes);
    EXPECT_EQ(portal.getPopupMenu()->getOldPrefZipCode(), "46236");
    EXPECT_EQ(cookieRequests("46236"), 0u);
    // The form opened beside the portal's window (in twips).
    auto automation = com::OleAutomation(*portal.getPopupMenu()->getSite());
    const tk::Point at = portal.getShell()->getLocation();
    EXPECT_EQ(automation.getProperty("m_prefPopupX").getString(), std::to_string(15 * at.x + 4125));
    EXPECT_EQ(automation.getProperty("m_prefPopupY").getString(), std::to_string(15 * at.y + 450));
}

TEST_F(PortalPanel, ThePreferencesFormStaysInsideTheWorkAreaOfASmallScreen) {
    // 768 pixels high less a panel: beside the portal's window the form
    // would run past the bottom.
    const tk::Rectangle area{0, 0, 1024, 740};
    setScreen({0, 0, 1024, 768}, area);
    start(false);
    tk::Rectangle form;
    preferences([&](tk::Shell& shell) {
        form = shell.getBounds();
        driver.click(*buttonWithText(&shell, "Cancel"));
    });
    EXPECT_GE(form.x, area.x);
    EXPECT_GE(form.y, area.y);
    EXPECT_LE(form.x + form.width, area.x + area.width);
    EXPECT_LE(form.y + form.height, area.y + area.height) << form.y << " + " << form.height;
}

TEST_F(PortalPanel, ANewPostalCodeRearmsTheTimerRefreshesAndRenewsTheCookies) {
    LBApp& portal = start(false);
    goOnline(true);
    stallTheWeatherSite();
    const size_t armed = loggedCount("m_prefUpdateFrequency: ");
    preferences([this](tk::Shell& form) {
        typeInto(form, 0, "10001");
        pressOk(form);
    });
    EXPECT_EQ(portal.getPrefZipCode(), "10001");
    EXPECT_TRUE(logged(" - Zip code changed from 46236 to 10001 so setting persistent cookies for WeatherBug and "
                       "Moviefone\n"));
    EXPECT_EQ(loggedCount("m_prefUpdateFrequency: "), armed + 1);
    EXPECT_TRUE(logged(" - launchRetriever (updating preference sensitive content)\n"));
    EXPECT_EQ(cookieRequests("10001"), 2u);
    auto retriever = portal.getCurrentRetriever();
    ASSERT_NE(retriever, nullptr);
    retriever->forceThreadsToEnd();
    ASSERT_TRUE(finishRefresh());
}

TEST_F(PortalPanel, ANewListingsAddressRefreshesButRenewsNoCookie) {
    LBApp& portal = start(false);
    preferences([this](tk::Shell& form) {
        typeInto(form, 2, "new@example.com");
        pressOk(form);
    });
    EXPECT_EQ(portal.getPrefTVGuideEmail(), "new@example.com");
    EXPECT_TRUE(logged(" - TV Guide email address changed from viewer@example.com to new@example.com so setting "
                       "persistent cookie for TV Guide\n"));
    EXPECT_TRUE(logged(" - Skipping call to generateCookiesForChangedTVGuideEmail() since TV Guide is currently "
                       "non-functional\n"));
    EXPECT_TRUE(logged(" - launchRetriever (skipped - no internet connection)\n"));
    // The user asked for it, so the missing connection is told.
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "No Internet Connection");
    EXPECT_EQ(cookieRequests("46236"), 0u);
}

TEST_F(PortalPanel, AFirstRunRenewsTheCookiesWithTheEnteredPostalCodeAtTheEndOfTheStart) {
    firstRun();
    whenShellOpens(display, "Lanternbay - New User Zip Code", [this](tk::Shell& shell) {
        tk::Shell* form = &shell;
        driver.replaceText(*controlsOf<tk::Text>(form)[0], "60601");
        driver.click(*buttonWithText(form, "OK"));
    });
    LBApp& portal = start(true);
    EXPECT_TRUE(portal.getPopupMenu()->isNewUser());
    EXPECT_EQ(portal.getPrefZipCode(), "60601");
    EXPECT_EQ(LBApp::getGUID().size(), 32u);
    EXPECT_EQ(cookieRequests("60601"), 2u);
}

TEST_F(PortalPanel, ASearchOpensInTheUsersBrowserAndThePanesStay) {
    LBApp& portal = start(false);
    driver.runPending();
    auto texts = controlsOf<tk::Text>(portal.getPopupMenu()->getSite()->getControlWindow());
    ASSERT_FALSE(texts.empty());
    driver.focus(*texts[0]);
    driver.type(*texts[0], "lanterns");
    ASSERT_TRUE(driver.click(*panelButton("Search")));
    auto urls = opened.waitFor(1);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_NE(urls[0].find("lanterns"), std::string::npos) << urls[0];
    EXPECT_EQ(urls[0].rfind("http://www.google.com/", 0), 0u) << urls[0];
    EXPECT_EQ(navigations(portal.getOuterBrowser()).size(), 1u);
    EXPECT_EQ(navigations(portal.getInnerBrowser()).size(), 1u);
}

TEST_F(PortalPanel, TheUpdateButtonsAskForARefreshOfThePageOrOfEveryPage) {
    LBApp& portal = start(false);
    driver.runPending();
    goOnline(true);
    // The map page has nothing to refresh.
    ASSERT_TRUE(driver.click(*panelButton("Update Current Page")));
    EXPECT_TRUE(logged(" - launchRetriever (skipped - no dynamic content on current page)\n"));
    EXPECT_EQ(portal.getCurrentRetriever(), nullptr);

    stallTheWeatherSite();
    ASSERT_TRUE(driver.click(*panelButton("Update All Pages")));
    ASSERT_NE(portal.getCurrentRetriever(), nullptr);
    // A second press while it runs starts nothing.
    auto first = portal.getCurrentRetriever();
    EXPECT_FALSE(driver.click(*panelButton("Update All Pages")));  // disabled during the refresh
    portal.launchRetriever(true, true);
    EXPECT_TRUE(logged(" - launchRetriever (skipped - other retrieval running)\n"));
    EXPECT_EQ(portal.getCurrentRetriever(), first);
    first->forceThreadsToEnd();
    ASSERT_TRUE(finishRefresh());
    EXPECT_TRUE(panelButton("Update All Pages")->getEnabled());
}

TEST_F(PortalPanel, TheSharePictureOpensTheSharePopup) {
    LBApp& portal = start(false);
    // The share picture: the 64 x 19 picture of the panel's lower row.
    tk::Control* share = nullptr;
    for (tk::Label* l : controlsOf<tk::Label>(portal.getPopupMenu()->getSite()->getControlWindow())) {
        if (l->getSize() == tk::Point{64, 19}) share = l;
    }
    ASSERT_NE(share, nullptr);
    ASSERT_TRUE(driver.clickMouse(*share));
    EXPECT_NE(portal.getSharePopup(), nullptr);
}

TEST_F(PortalPanel, CtrlAltSBringsTheHiddenPortalUpWithItsFirstRefreshAndFocusesTheSearch) {
    LBApp& portal = start(true);
    ASSERT_FALSE(portal.getShell()->getVisible());
    for (int vk : {sys::VK_LCONTROL, sys::VK_LMENU, static_cast<int>('S')}) sys::sendKeyboardInput(vk, false);
    for (int vk : {static_cast<int>('S'), sys::VK_LMENU, sys::VK_LCONTROL}) sys::sendKeyboardInput(vk, true);
    driver.runPending();
    EXPECT_TRUE(portal.getShell()->getVisible());
    EXPECT_TRUE(portal.isVisible());
    EXPECT_TRUE(portal.isFirstRetrievalDone());
    EXPECT_EQ(refreshRequests(), 1u);
    auto texts = controlsOf<tk::Text>(portal.getPopupMenu()->getSite()->getControlWindow());
    ASSERT_FALSE(texts.empty());
    EXPECT_TRUE(texts[0]->isFocusControl());
}

}  // namespace
}  // namespace rltest::portaltest
