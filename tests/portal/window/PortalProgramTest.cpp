// Lanternbay as a person starts it: a copy of the build's install folder,
// the control registered there with the install tool, the program started
// by hand (from another folder, as a desktop launcher does) under the
// display of xvfb-run and ended by a termination signal (as a session's end
// does), which goes through its clean-up. The content sites and the product
// server are imitated and the machine's routing tables prepared, so that
// the program reaches no outside site and finds a network connection.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/portal/ContentSites.h"
#include "tests/portal/window/PrefFile.h"
#include "tests/portal/window/ProgramRun.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tests/support/XWindows.h"

namespace rltest {
namespace {

class PortalProgram : public ImitationWebTest {
protected:
    PortalProgram() {
        portaltest::installLanternbay(dir);
        portaltest::writePreferenceFile(dir.path());
    }
    ~PortalProgram() override {
        // A test that stopped early leaves no program running.
        if (m_running > 0) exitStatus(m_running, 0);
        ::unsetenv("RL_REGISTRY_DIR");
    }

    std::string log() const { return readFile(dir.file("Lanternbay.log")); }
    bool logged(const std::string& part) const { return log().find(part) != std::string::npos; }

    // Starts the install folder's Lanternbay with the arguments, from the
    // folder `from` when one is given.
    pid_t start(const std::vector<std::string>& arguments, const std::string& from = "") {
        return m_running = portaltest::startLanternbay(arguments, from);
    }

    // The program's exit status, or -1 when it did not end within timeoutMs.
    int exitStatus(pid_t pid, int timeoutMs) {
        if (pid == m_running) m_running = -1;
        return portaltest::exitStatusOf(pid, timeoutMs);
    }

    TempWorkDir dir;

private:
    pid_t m_running = -1;
};

TEST_F(PortalProgram, StartedByHandFromAnotherFolderItShowsItsPagesAndEndsThroughItsCleanUpOnASignal) {
    // A display of its own: the window counted below is this program's.
    PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    CommandRun install = runCommand("'" + std::string(RL_INSTALL_TOOL) + "' '" + dir.path() + "' 2>&1");
    ASSERT_EQ(install.exitCode, 0) << install.output;
    EXPECT_NE(install.output.find("Registered " + dir.file("Tiraleaf.so")), std::string::npos);

    content::scriptContentSites(web, "");
    const std::string elsewhere = dir.file("elsewhere");
    std::filesystem::create_directory(elsewhere);
    pid_t pid = start({"open"}, elsewhere);
    // Started: the window shows, the panel read its preferences and the
    // first refresh ended.
    ASSERT_TRUE(waitFor([this] { return logged(" - done with preferences\n") && logged(" - Ending Retriever\n"); },
                        60000))
        << log();
    EXPECT_TRUE(waitFor([] { return shownWindowsTitled("Lanternbay") == 1; }, 30000));
    EXPECT_FALSE(logged("Failed to create PopupMenu"));
    EXPECT_FALSE(logged("Unable to contruct"));
    // The refresh filled the weather page from the weather site. The
    // product server is asked for upgrades at the start and once more when
    // the first refresh has completed, which comes a moment after the
    // retriever's last log line.
    EXPECT_NE(readFile(dir.file("content/weatherbug-inner.html")).find("Indianapolis, IN 46236"), std::string::npos);
    auto upgradeChecks = [this] { return site(content::PRODUCT_HOST).requests("POST", "/lanternbay/upgrade.php").size(); };
    EXPECT_TRUE(waitFor([&] { return upgradeChecks() >= 2; }, 30000)) << upgradeChecks();
    ::kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid, 30000), 0);
    EXPECT_EQ(upgradeChecks(), 2u);
    EXPECT_TRUE(logged(" - Ending on a signal\n"));
    EXPECT_TRUE(logged(" - clean up\n"));
    EXPECT_TRUE(logged(" - No retriever thread running - exiting\n"));
    // It worked in its install folder only.
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

TEST_F(PortalProgram, AtLogonTheOverrideMarkerEndsItWithoutADisplay) {
    writeFile(dir.file("Lanternbay.startupoverride"), "x\r\n");
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::unsetenv("DISPLAY");
    pid_t pid = start({});
    if (!saved.empty()) ::setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(exitStatus(pid, 30000), 0);
    EXPECT_TRUE(logged(" - Startup override file exists.  Exiting.\n"));
}

TEST_F(PortalProgram, WithoutADisplayItLogsWhyAndEnds) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::unsetenv("DISPLAY");
    pid_t pid = start({"open"});
    if (!saved.empty()) ::setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(exitStatus(pid, 30000), 0);
    EXPECT_TRUE(logged(" - Unable to contruct LBApp: "));
    EXPECT_TRUE(logged(" - Unhandled throwable in main: "));
}

}  // namespace
}  // namespace rltest
