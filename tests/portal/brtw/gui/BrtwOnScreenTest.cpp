// The Brightwire window on real windows (the Qt backend, under xvfb-run):
// the welcome page hands over to the balances page, the tracker's panel
// shows its results over the page beside the headline frame, and a picture
// is taken; and the program BRTWRL as a person starts it, ended by a
// termination signal through its clean-up. With RL_BRTW_SCREENSHOT naming a
// file, the picture is also left there for a person to look at.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QWidget>

#include <cstdlib>
#include <filesystem>

#define RL_BRTW_FIXTURE_BACKEND "qt"
#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/portal/brtw/BrtwFixture.h"
#include "tests/support/Pictures.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/Wait.h"
#include "tests/support/XWindows.h"

namespace {

using namespace rltest;
using namespace rltest::brtw;

std::string storyFeed() {
    return feed(feedItem("Airlines add fees for checked bags", "http://www.brightwire.example/travel/bags.html", "b1") +
                feedItem("Ten beaches for the off season", "http://www.brightwire.example/travel/beaches.html", "b2") +
                feedItem("Rail passes get cheaper in spring", "http://www.brightwire.example/travel/rail.html", "b3") +
                feedItem("Hotel points: when to spend them", "http://www.brightwire.example/travel/points.html", "b4"));
}

class BrtwOnScreenTest : public BrtwFixture {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        BrtwFixture::SetUp();
        driver.scriptDialogs(true);
        web.site(FEED_HOST).on("GET", FEED_PATH, Answer::page(storyFeed()));
    }

    bool waitUntil(const std::function<bool()>& done, int ms = rltest::WAIT_MS) {
        return tk::qt::runUntil(display, done, rltest::scaled(ms));
    }

    // A script's answer once it gives a non-empty one.
    std::string scriptText(tk::Browser& browser, const std::string& script) {
        std::string text;
        waitUntil([&] {
            text = tk::qt::runScript(browser, script, 2000).value_or("");
            return !text.empty() && text != "null";
        });
        return text;
    }
};

TEST_F(BrtwOnScreenTest, TheTrackerShowsItsBalancesBesideTheHeadlines) {
    prepareSettings({{"Alice", {"American", "Hilton"}}, {"Bob", {"Delta"}}});
    RLPreferences::setCurrentBalance(0, "American", "48210");
    RLPreferences::setCurrentBalance(0, "Hilton", "12900");
    RLPreferences::setCurrentBalance(1, "Delta", "3075");
    RLPreferences::savePrefs();
    open();
    tk::Browser& browser = wrapperBrowser();

    // The welcome page goes on to the balances page, which has the tracker
    // show its results.
    ASSERT_TRUE(waitUntil([&] { return browser.getUrl() == page("balances.html"); })) << browser.getUrl();
    const std::string results = tracker::BaseEngine::toFileURL(tracker().getEngine()->getBalancesPath());
    ASSERT_TRUE(waitUntil([&] { return tracker().getBrowser()->getUrl() == results; }));
    const std::string balances = scriptText(*tracker().getBrowser(), "document.body.innerText");
    EXPECT_NE(balances.find("Alice"), std::string::npos) << balances;
    EXPECT_NE(balances.find("48,210"), std::string::npos) << balances;

    // The page around it: the navigation and the headline frame.
    const std::string nav = scriptText(browser, "document.getElementById('nav').innerText");
    EXPECT_NE(nav.find("Retrieve Balances"), std::string::npos) << nav;
    const std::string headlines =
        scriptText(browser, "document.getElementById('headlines').contentDocument.body.innerText");
    EXPECT_NE(headlines.find("Airlines add fees for checked bags"), std::string::npos) << headlines;
    EXPECT_NE(headlines.find("Hotel points: when to spend them"), std::string::npos) << headlines;

    // The panel stands where it was placed, over the page.
    QWidget* panel = tk::qt::nativeWidget(*tracker().getComposite());
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(tracker().getComposite()->getBounds(), (tk::Rectangle{15, 316, 805, 312}));
    QWidget* page = tk::qt::nativeWidget(browser);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(panel->parentWidget(), page->parentWidget());
    const auto siblings = panel->parentWidget()->children();
    EXPECT_GT(siblings.indexOf(panel), siblings.indexOf(page));

    // A picture of the window, once the frames have been drawn too.
    const std::string picture = dir.file("brtw.png");
    ASSERT_TRUE(waitUntil([&] {
        return tk::qt::saveScreenshot(*window->getShell(), picture) && coloursIn(picture) > 20;
    }));
    QSize size;
    EXPECT_GT(coloursIn(picture, 3, &size), 20);
    EXPECT_GT(size.width(), 800);
    if (const char* keep = std::getenv("RL_BRTW_SCREENSHOT")) {
        std::filesystem::copy_file(picture, keep, std::filesystem::copy_options::overwrite_existing);
    }

    // Closed, the window stores its place and ends the process.
    window->getShell()->close();
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_EQ(registry("BRTWWindowWidth"), 839);
}

// An install folder of BRTWRL in the test's folder: the program and its
// pages. The test's folder holds the routing tables of a machine online.
std::string installBrtwrl(const TempWorkDir& dir) {
    const std::string folder = dir.file("install");
    std::filesystem::create_directories(folder);
    std::filesystem::copy(dir.file("brtw"), folder + "/brtw", std::filesystem::copy_options::recursive);
    rltest::installProgram(RL_BRTWRL_PROGRAM, folder);
    return folder;
}

// The BRTWRL of folder started from another folder (as a desktop launcher
// or a shell elsewhere starts it), told to end as a session's end would
// once its log holds mark; answers the shell's report of its exit.
std::string runProgramUntil(const TempWorkDir& dir, const std::string& folder, const std::string& mark) {
    std::filesystem::create_directories(dir.file("elsewhere"));
    return runCommand("cd '" + dir.file("elsewhere") + "' && { RL_ROUTE_TABLES='" + dir.path() + "' '" + folder +
                      "/BRTWRL' > ../out.txt 2>&1 & pid=$!; for i in $(seq " + std::to_string(rltest::scaled(600)) +
                      "); do grep -q '" + mark + "' '" + folder + "/Roamledger.log' 2>/dev/null && break; "
                      "kill -0 $pid 2>/dev/null || break; sleep 0.1; done; kill -TERM $pid; wait $pid; "
                      "echo \"exit=$?\"; }")
        .output;
}

TEST_F(BrtwOnScreenTest, TheProgramRunsInItsFolderUntilItIsToldToEnd) {
    const std::string folder = installBrtwrl(dir);
    std::filesystem::copy(dir.file("Roamledger.ico"), folder + "/Roamledger.ico");
    {
        // The settings a run of the program left there.
        const auto here = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        prepareSettings({{"Alice", {"American"}}});
        std::filesystem::current_path(here);
    }
    // Once the welcome page has handed over to the balances page, which
    // has the tracker show its results.
    const std::string exit = runProgramUntil(dir, folder, " - rl browser changing took");
    const std::string log = readFile(folder + "/Roamledger.log");
    EXPECT_NE(exit.find("exit=0"), std::string::npos) << exit << readFile(dir.file("out.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("elsewhere"))) << "it worked outside its install folder";
    EXPECT_NE(log.find(" - rl browser changing took"), std::string::npos) << log;
    EXPECT_NE(log.find("Ending on a signal"), std::string::npos) << log;
    EXPECT_NE(log.find("Cleaning up"), std::string::npos) << log;
    EXPECT_EQ(registry("BRTWWindowWidth"), 839);
    EXPECT_EQ(registry("BRTWWindowHeight"), 720);
}

TEST_F(BrtwOnScreenTest, ASignalDuringTheFirstStartsQuestionEndsTheProgram) {
    const std::string folder = installBrtwrl(dir);
    // No settings: the tracker asks whether to import an earlier
    // installation's, and the signal comes while it asks.
    const std::string exit = runProgramUntil(dir, folder, "Roamledger.settings not found");
    EXPECT_NE(exit.find("exit=0"), std::string::npos) << exit << readFile(dir.file("out.txt"));
    EXPECT_NE(readFile(folder + "/Roamledger.log").find("Ending on a signal"), std::string::npos);
}

// On a screen below 1024 x 768 the start warns before the tracker window
// exists; a signal while the warning is open ends the start quietly, the
// window's place stored, the warning not counted as read.
TEST_F(BrtwOnScreenTest, ASignalDuringTheResolutionWarningEndsTheStartQuietly) {
    PrivateXServer small({"-screen", "0", "800x600x24"});
    ASSERT_TRUE(small.running()) << small.error();
    const std::string folder = installBrtwrl(dir);
    const std::string program = folder + "/BRTWRL";
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const bool shown = waitFor([] { return shownWindowsTitled("Screen Resolution Too Low") == 1; }, 60000);
    ::kill(pid, SIGTERM);
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 30000)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(shown) << readFile(folder + "/Roamledger.log");
    const std::string exit = WIFEXITED(status) ? "exit=" + std::to_string(WEXITSTATUS(status))
                                               : "signal " + std::to_string(WTERMSIG(status));
    const std::string log = readFile(folder + "/Roamledger.log");
    EXPECT_NE(exit.find("exit=0"), std::string::npos) << exit << readFile(folder + "/out.txt");
    EXPECT_NE(log.find(" - Ending on a signal\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" - Start-up stopped: the program is ending\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Unable to contruct"), std::string::npos) << log;
    EXPECT_EQ(registry("BRTWWindowWidth"), 839);
    EXPECT_NE(registry("BRTWResolutionWarningDisplayed"), 1);
}

}  // namespace
