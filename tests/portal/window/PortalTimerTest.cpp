// The refresh timer on a driven clock: when it fires, how its interval is
// read and bounded, and that arming it again cancels the pending wait.
// The machine is offline, so each firing shows in the log as a refresh
// that was asked for and skipped, and no thread is started.

#include "tests/portal/window/PortalFixture.h"

namespace rltest::portaltest {
namespace {

constexpr int64_t MINUTE = 60000;

class PortalTimer : public PortalTest {
protected:
    PortalTimer() {
        goOnline(false);
        useManualClock();
    }

    LBApp& startWith(const std::string& minutes) {
        Prefs prefs;
        prefs.updateFrequency = minutes;
        writePrefs(prefs);
        return start(true);
    }

    size_t firings() const { return loggedCount("launchRetriever (skipped - no internet connection)"); }
};

TEST_F(PortalTimer, ItFiresAfterTheIntervalAndEveryIntervalAfterThat) {
    LBApp& portal = startWith("30");
    EXPECT_EQ(portal.getUpdateFrequencyMs(), 30 * MINUTE);
    EXPECT_TRUE(logged(" - m_prefUpdateFrequency: 1800000\n"));
    driver.advanceClock(30 * MINUTE - 1);
    EXPECT_EQ(firings(), 0u);
    driver.advanceClock(1);
    EXPECT_EQ(firings(), 1u);
    driver.advanceClock(30 * MINUTE - 1);
    EXPECT_EQ(firings(), 1u);
    driver.advanceClock(1);
    EXPECT_EQ(firings(), 2u);
    // A timed refresh is not the user's: no box about the connection.
    EXPECT_TRUE(driver.shownDialogs().empty());
}

TEST_F(PortalTimer, TheIntervalIsBoundedToWholeMinutesFromOneTo32767) {
    const std::vector<std::pair<std::string, int64_t>> cases = {
        {"0", MINUTE}, {"-5", MINUTE}, {"1", MINUTE}, {"32767", 32767 * MINUTE}, {"99999999", 32767 * MINUTE}};
    for (const auto& [minutes, expected] : cases) {
        LBApp& portal = startWith(minutes);
        EXPECT_EQ(portal.getUpdateFrequencyMs(), expected) << minutes;
        const size_t before = firings();
        driver.advanceClock(expected - 1);
        EXPECT_EQ(firings(), before) << minutes;
        driver.advanceClock(1);
        EXPECT_EQ(firings(), before + 1) << minutes;
        app.reset();
    }
}

TEST_F(PortalTimer, AnIntervalThatIsNoWholeNumberKeepsThePreviousOne) {
    EXPECT_EQ(LBApp::updateFrequencyMs("abc", std::nullopt), 20 * MINUTE);
    EXPECT_EQ(LBApp::updateFrequencyMs("", 5 * MINUTE), 5 * MINUTE);
    EXPECT_EQ(LBApp::updateFrequencyMs("2.5", 7 * MINUTE), 7 * MINUTE);
    EXPECT_EQ(LBApp::updateFrequencyMs(" 45 ", std::nullopt), 45 * MINUTE);
    LBApp& portal = startWith("soon");
    EXPECT_EQ(portal.getUpdateFrequencyMs(), 20 * MINUTE);
    driver.advanceClock(20 * MINUTE);
    EXPECT_EQ(firings(), 1u);
}

TEST_F(PortalTimer, ArmingItAgainCancelsThePendingWait) {
    LBApp& portal = startWith("30");
    driver.advanceClock(10 * MINUTE);
    portal.startFreshTimer();
    driver.advanceClock(20 * MINUTE);
    EXPECT_EQ(firings(), 0u);
    driver.advanceClock(10 * MINUTE);
    EXPECT_EQ(firings(), 1u);
    portal.endExistingTimer();
    EXPECT_FALSE(portal.hasPendingTimer());
    driver.advanceClock(120 * MINUTE);
    EXPECT_EQ(firings(), 1u);
}

TEST_F(PortalTimer, ANewIntervalAloneTakesEffectAfterThePendingWait) {
    LBApp& portal = startWith("30");
    // Shown, so that the user can reach the panel; showing asks for the
    // first refresh.
    portal.show();
    const size_t shown = firings();
    driver.advanceClock(10 * MINUTE);
    // The panel's preferences event with only the frequency changed.
    tk::Control* button = panelControl("Profile and Preferences");
    ASSERT_NE(button, nullptr);
    whenShellOpens(display, "Profile & Preferences", [this](tk::Shell& shell) {
        tk::Shell* form = &shell;
        driver.replaceText(*controlsOf<tk::Text>(form)[1], "15");
        driver.click(*buttonWithText(form, "OK"));
    });
    ASSERT_TRUE(driver.click(*dynamic_cast<tk::Button*>(button)));
    EXPECT_EQ(portal.getUpdateFrequencyMs(), 15 * MINUTE);
    EXPECT_FALSE(logged("m_prefUpdateFrequency: 900000"));
    driver.advanceClock(20 * MINUTE - 1);
    EXPECT_EQ(firings(), shown);
    driver.advanceClock(1);
    EXPECT_EQ(firings(), shown + 1);
    driver.advanceClock(15 * MINUTE);
    EXPECT_EQ(firings(), shown + 2);
}

TEST_F(PortalTimer, TheCleanUpEndsTheTimer) {
    LBApp& portal = startWith("1");
    portal.exit();
    portal.cleanUp();
    EXPECT_TRUE(logged(" - clean up\n"));
    EXPECT_FALSE(portal.hasPendingTimer());
}

}  // namespace
}  // namespace rltest::portaltest
