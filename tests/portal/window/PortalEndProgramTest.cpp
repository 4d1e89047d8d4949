// Lanternbay told to end (a termination signal, as a session's end sends)
// while one of its boxes or forms of the start is open: the box closes, the
// start stops without reporting a failure, the clean-up runs once and the
// program ends with status 0.

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

std::string titles() {
    std::string all;
    for (const std::string& title : shownWindowTitles()) all += "[" + title + "] ";
    return all;
}

class PortalEnd : public ImitationWebTest {
protected:
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

}  // namespace
}  // namespace rltest
