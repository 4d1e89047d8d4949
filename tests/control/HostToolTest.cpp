// tiraleaf-host as a user starts it: it shows the control, lists its
// events, saves a picture of its window and ends on its own; a wrong
// command line or a missing display is told plainly; a termination signal
// while a form or box of the control is open closes the window cleanly.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/PrivateXServer.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tests/support/XKeyboard.h"
#include "tests/support/XWindows.h"

namespace {

const std::string kTool = TIRALEAF_HOST_TOOL;

TEST(HostTool, ShowsTheControlAndSavesAPictureOfIt) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display: run under xvfb-run";
    rltest::TempWorkDir work;
    std::filesystem::create_directories(work.file("content/js"));
    rltest::writeFile(work.file("content/js/core-pref.ini"), "-\r\n");
    rltest::CommandRun run =
        rltest::runCommand("RL_REGISTRY_DIR='" + work.file("registry") + "' '" + kTool + "' --root '" + work.path() +
                           "' --seconds 2 --screenshot '" + work.file("shot.png") + "' 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("6 OnPreferencesUpdate3 ["), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("saved " + work.file("shot.png")), std::string::npos) << run.output;
    ASSERT_TRUE(rltest::fileExists(work.file("shot.png")));
    EXPECT_GT(std::filesystem::file_size(work.file("shot.png")), 1000u);
    EXPECT_TRUE(rltest::fileExists(work.file("content/js/core-pref.js")));
}

TEST(HostTool, AWrongCommandLineOrNoDisplayIsTold) {
    rltest::CommandRun wrong = rltest::runCommand("'" + kTool + "' --bogus 2>&1");
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_NE(wrong.output.find("usage: tiraleaf-host"), std::string::npos);
    EXPECT_EQ(rltest::runCommand("'" + kTool + "' --menu --preferences 2>&1").exitCode, 2);
    rltest::CommandRun headless = rltest::runCommand("env -u DISPLAY '" + kTool + "' 2>&1");
    EXPECT_EQ(headless.exitCode, 1);
    EXPECT_NE(headless.output.find("no window system: DISPLAY is not set"), std::string::npos);
}

// The host started in the background on a display of the test's own, its
// output in a file; ended by a termination signal.
class HostToolEnd : public ::testing::Test {
protected:
    ~HostToolEnd() override {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    void start(const std::vector<std::string>& extra) {
        std::vector<std::string> words{kTool, "--root", work.path()};
        words.insert(words.end(), extra.begin(), extra.end());
        const std::string registry = work.file("registry");
        const std::string output = work.file("output.txt");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setenv("RL_REGISTRY_DIR", registry.c_str(), 1);
            int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> argv;
            for (std::string& w : words) argv.push_back(w.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }

    // The exit status (128 + the signal for a program killed by one), or -1
    // when it did not end within 30 s.
    int endBySignal() {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        const bool ended = rltest::waitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, 30000);
        if (!ended) return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string output() const { return rltest::readFile(work.file("output.txt")); }

    rltest::TempWorkDir work;

private:
    pid_t m_pid = -1;
};

TEST_F(HostToolEnd, ASignalWhileTheFirstRunFormShowsABadPostalCodeClosesBoxFormAndWindow) {
    rltest::PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    start({});
    const std::string form = "Lanternbay - New User Zip Code";
    ASSERT_TRUE(rltest::waitFor([&] { return rltest::shownWindowsTitled(form) == 1; }, 30000)) << output();
    ASSERT_TRUE(rltest::focusWindowTitled(form));
    ASSERT_TRUE(rltest::typeOnDisplay({{"1", true}, {"1", false}, {"2", true}, {"2", false}, {"Return", true},
                                       {"Return", false}}));
    // The control's box about the postal code.
    ASSERT_TRUE(rltest::waitFor([] { return rltest::shownWindowsTitled("Lanternbay") == 1; }, 30000));
    EXPECT_EQ(endBySignal(), 0) << output();
    EXPECT_NE(output().find("Ending on a signal"), std::string::npos) << output();
    EXPECT_EQ(output().find("The control failed"), std::string::npos) << output();
    // No postal code was accepted: the next start is a first run again.
    EXPECT_FALSE(rltest::fileExists(work.file("content/js/core-pref.ini")));
}

TEST_F(HostToolEnd, ASignalWhileThePreferencesFormIsOpenKeepsThePreferences) {
    rltest::PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    std::filesystem::create_directories(work.file("content/js"));
    rltest::writeFile(work.file("content/js/core-pref.ini"), "-\r\n");
    start({"--preferences"});
    // The first start without a preference file writes one with a new GUID.
    ASSERT_TRUE(rltest::waitFor([&] { return rltest::shownWindowsTitled("Profile & Preferences") == 1; }, 30000))
        << output();
    const std::string before = rltest::readFile(work.file("content/js/core-pref.js"));
    ASSERT_NE(before.find("var ZipCode='46236'"), std::string::npos) << before;
    EXPECT_EQ(endBySignal(), 0) << output();
    EXPECT_EQ(rltest::readFile(work.file("content/js/core-pref.js")), before);
}

}  // namespace
