// Lanternbay told to end (a termination signal, as a session's end sends)
// while one of its boxes or forms of the start is open: the box closes, the
// start stops without reporting a failure, the clean-up runs once and the
// program ends with status 0. The same while it waits on a site that never
// answers, at once; and the cookies the sites set a moment before the end
// are in the web engine's store on disk afterwards.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "foundation/RegistryUtil.h"
#include "tests/portal/ContentSites.h"
#include "tests/portal/window/PrefFile.h"
#include "tests/portal/window/ProgramRun.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tests/support/XKeyboard.h"
#include "tests/support/XWindows.h"

namespace rltest {
namespace {

constexpr const char* FORM_TITLE = "Lanternbay - New User Zip Code";
constexpr int START_LIMIT_MS = 60000;
// How long an end may take once it was asked for.
constexpr int END_LIMIT_MS = 5000;
constexpr const char* CHECK_PATH = "/lanternbay/upgrade.php";
// Where the panel fetches the weather site's location cookie.
constexpr const char* LOCATION_PATH = "/Pages/esi/LocationSelector.html";

std::string titles() {
    std::string all;
    for (const std::string& title : shownWindowTitles()) all += "[" + title + "] ";
    return all;
}

class PortalEnd : public ImitationWebTest {
protected:
    // The web engine's profile of each run in a home of the test's own.
    BrowserSession session;

    PortalEnd() {
        portaltest::installLanternbay(dir);
        content::scriptContentSites(web, "");
    }
    ~PortalEnd() override {
        if (m_running > 0) exitStatus(m_running, 0);
        ::unsetenv("RL_REGISTRY_DIR");
    }

    void install() {
        CommandRun run = runCommand("'" + std::string(RL_INSTALL_TOOL) + "' '" + dir.path() + "' 2>&1");
        ASSERT_EQ(run.exitCode, 0) << run.output;
    }

    std::string log() const { return readFile(dir.file("Lanternbay.log")); }
    bool logged(const std::string& part) const { return log().find(part) != std::string::npos; }
    size_t timesLogged(const std::string& part) const {
        const std::string text = log();
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    pid_t start() { return m_running = portaltest::startLanternbay({"open"}); }

    // The exit status (128 + the signal for a program killed by one), or -1
    // when it did not end within timeoutMs.
    int exitStatus(pid_t pid, int timeoutMs) {
        if (pid == m_running) m_running = -1;
        return portaltest::exitStatusOf(pid, timeoutMs);
    }

    // A first run: the panel's form asks for the postal code, which is typed
    // in and taken with Enter, again until the form goes: keys that come
    // before the form has the focus go nowhere, and a code that lost some
    // gets the form's box, which Enter closes.
    void enterPostalCodeAtFirstRun(const std::string& code) {
        std::filesystem::remove(dir.file("content/js/core-pref.ini"));
        std::filesystem::remove(dir.file("content/js/core-pref.js"));
        start();
        ASSERT_TRUE(waitFor([] { return shownWindowsTitled(FORM_TITLE) == 1; }, START_LIMIT_MS)) << titles() << log();
        std::vector<std::pair<std::string, bool>> keys;
        for (const char* key : {"Tab", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace"}) {
            keys.push_back({key, true});
            keys.push_back({key, false});
        }
        for (char digit : code) {
            keys.push_back({std::string(1, digit), true});
            keys.push_back({std::string(1, digit), false});
        }
        keys.push_back({"Return", true});
        keys.push_back({"Return", false});
        auto formOnly = [] { return shownWindowsTitled(FORM_TITLE) == 1 && shownWindowsTitled("Lanternbay") == 0; };
        ASSERT_TRUE(waitFor(
            [&] {
                if (shownWindowsTitled(FORM_TITLE) == 0) return true;
                if (formOnly()) {
                    focusWindowTitled(FORM_TITLE);
                    typeOnDisplay(keys);
                } else {
                    focusWindowTitled("Lanternbay");
                    typeOnDisplay({{"Return", true}, {"Return", false}});
                }
                return waitFor([&] { return !formOnly(); }, 2000) && shownWindowsTitled(FORM_TITLE) == 0;
            },
            START_LIMIT_MS))
            << titles() << log();
    }

    // Asks the running program to end and answers its exit status, or -1
    // when it did not end in time.
    int endBySignal() { return exitStatus(m_running, scaled(END_LIMIT_MS)); }
    void signal() { ::kill(m_running, SIGTERM); }

    int registryValue(const std::string& name) {
        return foundation::RegistryUtil::getCurrentUserInstance("Software\\Lanternbay").getInt(name, -9999);
    }

    // What every run ended by a signal during its start shows.
    void expectQuietEnd() {
        EXPECT_TRUE(logged(" - Ending on a signal\n")) << log();
        EXPECT_FALSE(logged("Unable to contruct")) << log();
        EXPECT_FALSE(logged("Unhandled throwable")) << log();
        EXPECT_EQ(timesLogged(" - clean up\n"), 1u) << log();
        EXPECT_TRUE(logged(" - No retriever thread running - exiting\n")) << log();
        EXPECT_FALSE(std::filesystem::exists(dir.file("core")));
        // The window never showed: no place of it is stored.
        EXPECT_EQ(registryValue("WindowLeft"), -9999);
        if (std::getenv("RL_SHOW_LOG")) std::cerr << log();
    }

    TempWorkDir dir;

private:
    pid_t m_running = -1;
};

TEST_F(PortalEnd, ASignalWhileTheFirstRunFormShowsABadPostalCodeEndsTheRunCleanly) {
    // A private display: the keys typed below reach nobody else's windows.
    PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    install();
    std::filesystem::remove(dir.file("content/js/core-pref.ini"));
    std::filesystem::remove(dir.file("content/js/core-pref.js"));

    pid_t pid = start();
    ASSERT_TRUE(waitFor([] { return shownWindowsTitled(FORM_TITLE) == 1; }, START_LIMIT_MS)) << titles() << log();
    ASSERT_TRUE(focusWindowTitled(FORM_TITLE));
    // The postal code field has the focus; Enter presses OK.
    ASSERT_TRUE(typeOnDisplay({{"1", true}, {"1", false}, {"2", true}, {"2", false}, {"Return", true},
                               {"Return", false}}));
    // The box of the form's check: "Please enter a valid 5 digit ...". The
    // portal's own window is not shown before the form is done.
    ASSERT_TRUE(waitFor([] { return shownWindowsTitled("Lanternbay") == 1; }, 30000)) << titles();
    EXPECT_EQ(shownWindowsTitled(FORM_TITLE), 1);

    ::kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid, 30000), 0);
    expectQuietEnd();
    EXPECT_TRUE(logged(" - Start-up stopped: the program is ending\n"));
    // No postal code was accepted: the next start is a first run again.
    EXPECT_FALSE(std::filesystem::exists(dir.file("content/js/core-pref.ini")));
    // Nothing of the start after the form ran.
    EXPECT_FALSE(logged(" - launchRetriever:enter\n"));
}

TEST_F(PortalEnd, ASignalWhileTheResolutionWarningShowsEndsTheRunAndTheWarningComesAgain) {
    PrivateXServer x({"-screen", "0", "800x600x24"});
    ASSERT_TRUE(x.running()) << x.error();
    install();
    portaltest::writePreferenceFile(dir.path());

    pid_t pid = start();
    ASSERT_TRUE(waitFor([] { return shownWindowsTitled("Resolution Too Low") == 1; }, START_LIMIT_MS))
        << titles() << log();
    ::kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid, 30000), 0);
    expectQuietEnd();
    // Closed by the end, not read by the user.
    EXPECT_EQ(registryValue("ResolutionWarningDisplayed"), -9999);
}

TEST_F(PortalEnd, ASignalWhileTheUpgradeCheckWaitsOnASilentServerEndsTheRunAtOnce) {
    if (!haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
    install();
    portaltest::writePreferenceFile(dir.path());
    site(content::PRODUCT_HOST).on("POST", CHECK_PATH, Answer::neverAnswer());
    start();
    ASSERT_TRUE(waitFor([this] { return !site(content::PRODUCT_HOST).requests("POST", CHECK_PATH).empty(); },
                        START_LIMIT_MS))
        << log();
    signal();
    EXPECT_EQ(endBySignal(), 0) << log();
    EXPECT_TRUE(logged(" - Upgrade stopped: the program is ending\n")) << log();
    EXPECT_EQ(timesLogged(" - clean up\n"), 1u) << log();
}

TEST_F(PortalEnd, ASignalWhileAnUpgradeDownloadsFromASilentServerEndsTheRunWithoutAHandOff) {
    PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    install();
    portaltest::writePreferenceFile(dir.path());
    site(content::PRODUCT_HOST)
        .on("POST", CHECK_PATH, Answer::page("https://www.roamledger.example/dl/\nLanternbay=20060501=lb.zip\n"))
        .on("GET", "/dl/lb.zip", Answer::neverAnswer());
    start();
    const std::string question = "Lanternbay - Upgrade Available";
    ASSERT_TRUE(waitFor([&] { return shownWindowsTitled(question) == 1; }, START_LIMIT_MS)) << titles() << log();
    // Yes is the question's default button; Enter again until the download
    // starts, as keys may come before the question has the focus.
    auto downloading = [this] { return !site(content::PRODUCT_HOST).requests("GET", "/dl/lb.zip").empty(); };
    ASSERT_TRUE(waitFor(
        [&] {
            if (shownWindowsTitled(question) == 1) {
                focusWindowTitled(question);
                typeOnDisplay({{"Return", true}, {"Return", false}});
            }
            return waitFor(downloading, 2000);
        },
        WAIT_MS))
        << titles() << log();
    signal();
    EXPECT_EQ(endBySignal(), 0) << log();
    EXPECT_TRUE(logged(" - Upgrade stopped: the program is ending\n")) << log();
    EXPECT_FALSE(logged("Spawning separate process")) << log();
    EXPECT_FALSE(std::filesystem::exists(dir.file("upgrades")));
    EXPECT_EQ(timesLogged(" - clean up\n"), 1u) << log();
}

TEST_F(PortalEnd, ASignalWhileThePanelFetchesItsCookiesFromASilentSiteEndsTheRunAtOnce) {
    PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    install();
    site(content::WEATHER_HOST).on("GET", LOCATION_PATH, Answer::neverAnswer());
    ASSERT_NO_FATAL_FAILURE(enterPostalCodeAtFirstRun("46236"));
    ASSERT_TRUE(waitFor([this] { return !site(content::WEATHER_HOST).requests("GET", LOCATION_PATH).empty(); },
                        START_LIMIT_MS))
        << log();
    signal();
    EXPECT_EQ(endBySignal(), 0) << log();
    EXPECT_EQ(timesLogged(" - clean up\n"), 1u) << log();
    // The start went no further.
    EXPECT_TRUE(site(content::PRODUCT_HOST).requests("POST", CHECK_PATH).empty());
}

TEST_F(PortalEnd, CookiesASiteSetAMomentBeforeTheEndAreInTheBrowsersStoreAfterIt) {
    PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    install();
    site(content::WEATHER_HOST)
        .on("GET", LOCATION_PATH,
            Answer::page("<html>located</html>")
                .setCookie("rl_location=46236-from-the-site; path=/; expires=Fri, 01 Jan 2038 00:00:00 GMT"));
    ASSERT_NO_FATAL_FAILURE(enterPostalCodeAtFirstRun("46236"));
    // The upgrade check follows both location pages.
    ASSERT_TRUE(waitFor([this] { return !site(content::PRODUCT_HOST).requests("POST", CHECK_PATH).empty(); },
                        START_LIMIT_MS))
        << log();
    ASSERT_EQ(site(content::WEATHER_HOST).requests("GET", LOCATION_PATH).size(), 1u);
    signal();
    EXPECT_EQ(endBySignal(), 0) << log();
    std::string store;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(session.home())) {
        if (entry.path().filename() == "Cookies") store += readFile(entry.path().string());
    }
    EXPECT_NE(store.find("rl_location"), std::string::npos) << "the cookie is not in the store";
    EXPECT_NE(store.find("46236-from-the-site"), std::string::npos);
}

}  // namespace
}  // namespace rltest
