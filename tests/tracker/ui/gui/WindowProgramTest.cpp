// roamledger-window as a person starts it: on a prepared install folder it
// opens its window on the results page; on an empty folder it starts with
// the default user; without a window system or a usable folder it says so.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/BrowserSession.h"
#include "tests/support/Pictures.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/TestLocales.h"
#include "tests/support/Wait.h"
#include "tests/support/XKeyboard.h"
#include "tests/support/XWindows.h"
#include "tracker/core/PropertiesPrefPersist.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/BaseRLApp.h"

namespace {

using tracker::RLPreferences;

class WindowProgramTest : public ::testing::Test {
protected:
    // The program with its arguments, on the Qt backend, with a home folder
    // of its own for the web engine's profile.
    rltest::CommandRun run(const std::string& arguments, const std::string& environment = "") {
        const std::string home = dir.file("home");
        return rltest::runCommand("env " + environment + " RL_TOOLKIT=qt HOME='" + home + "' XDG_CACHE_HOME='" + home +
                                  "/cache' XDG_CONFIG_HOME='" + home + "/config' XDG_DATA_HOME='" + home +
                                  "/data' '" RL_WINDOW_PROGRAM "' " + arguments + " 2>&1");
    }

    std::map<std::string, std::string> settingsIn(const std::string& folder) const {
        std::map<std::string, std::string> table;
        tracker::PropertiesPrefPersist::parseProperties(rltest::readFile(folder + "/Roamledger.settings"), table);
        return table;
    }

    // Writes the settings file of folder: Alice with an American account,
    // which fill completes.
    static void writeSettings(const std::string& folder, const std::function<void()>& fill) {
        const std::string here = std::filesystem::current_path().string();
        std::filesystem::current_path(folder);
        tracker::ui::BaseRLApp::setAppType(tracker::ui::BaseRLApp::APP_TYPE_FARHAVEN);
        RLPreferences::setStatsReporter([](const std::string&, const std::string&, const std::optional<std::string>&,
                                           int) {});
        RLPreferences::loadPrefs("Roamledger", std::make_shared<tracker::PropertiesPrefPersist>());
        RLPreferences::renameUser(0, "Alice");
        RLPreferences::setUsername(0, "American", "alice1");
        fill();
        RLPreferences::savePrefs();
        RLPreferences::setStatsReporter(nullptr);
        std::filesystem::current_path(here);
    }

    ~WindowProgramTest() override {
        // A test that stopped early leaves no program running.
        if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    // The program started in the background on folder, its output in
    // folder/output.txt.
    void start(const std::string& folder) {
        const std::string home = dir.file("home");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setenv("RL_TOOLKIT", "qt", 1);
            ::setenv("HOME", home.c_str(), 1);
            ::setenv("XDG_CACHE_HOME", (home + "/cache").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
            ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
            int out = ::open((folder + "/output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execl(RL_WINDOW_PROGRAM, RL_WINDOW_PROGRAM, folder.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }

    // Sends the signals; the exit status (128 + the signal for a program
    // killed by one), or -1 when the program did not end within timeoutMs.
    int endBySignal(int timeoutMs, const std::vector<int>& sent = {SIGTERM}) {
        for (int signal : sent) ::kill(m_pid, signal);
        int status = 0;
        if (!rltest::waitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeoutMs)) return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    rltest::TempWorkDir dir;

private:
    pid_t m_pid = -1;
};

TEST_F(WindowProgramTest, OpensTheResultsPageOfAPreparedFolder) {
    if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
    const std::string folder = dir.file("install");
    std::filesystem::create_directories(folder);
    // The settings a run of the program left there.
    writeSettings(folder, [] {
        RLPreferences::setPassword(0, "American", "secret-pw");
        RLPreferences::setCurrentBalance(0, "American", "12500");
    });
    rltest::writeFile(folder + "/Roamledger.ico",
                      rltest::readFile(rltest::sourceDir() + "/resources/images/Roamledger.ico"));

    const std::string shot = dir.file("window.png");
    rltest::CommandRun result = run("'" + folder + "' --screenshot '" + shot + "'");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find("saved " + shot), std::string::npos) << result.output;
    QSize size;
    EXPECT_GT(rltest::coloursIn(shot, 3, &size), 20);  // a table, buttons, a menu bar: far from blank
    EXPECT_GT(size.width(), 500);
    EXPECT_GT(size.height(), 350);

    const std::string results = rltest::readFile(folder + "/Roamledger.html");
    EXPECT_NE(results.find("Alice"), std::string::npos);
    EXPECT_NE(results.find("12,500"), std::string::npos);
    EXPECT_NE(rltest::readFile(folder + "/Roamledger.log").find("Launched"), std::string::npos);
    // The clean-up saved the window's place and the run's length.
    auto settings = settingsIn(folder);
    EXPECT_TRUE(settings.count("OptWindowX"));
    EXPECT_TRUE(settings.count("DurationLastLaunch"));
    EXPECT_EQ(settings["User0AmericanUsername"], "alice1");
    EXPECT_EQ(rltest::readFile(folder + "/Roamledger.settings").find("secret-pw"), std::string::npos);
}

// Qt hands a German desktop's locale to the C library: the page and the
// settings file stay as under C.
TEST_F(WindowProgramTest, AGermanDesktopSeesTheNumbersAndDatesOfEveryOther) {
    if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
    const std::string folder = dir.file("german");
    std::filesystem::create_directories(folder);
    writeSettings(folder, [] {
        for (auto [key, balance] : {std::pair{"American", "1234.5"}, {"Delta", "98765"}, {"Hilton", "0.75"}}) {
            RLPreferences::setUsername(0, key, "alice1");
            RLPreferences::setCurrentBalance(0, key, balance);
            RLPreferences::setPreviousBalance(0, key, balance);
        }
    });
    // Without the locale the program would quietly run under C.
    rltest::LocaleScope available("de_DE.UTF-8");
    ASSERT_TRUE(available.ok()) << available.problem();

    const std::string shot = dir.file("german.png");
    rltest::CommandRun result =
        run("'" + folder + "' --screenshot '" + shot + "'", rltest::localeEnvironment("de_DE.UTF-8"));
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_GT(rltest::coloursIn(shot, 3), 20);
    const std::string results = rltest::readFile(folder + "/Roamledger.html");
    for (const char* shown : {">1,234.5<", ">98,765<", ">0.75<", ">100,000.25<"}) {
        EXPECT_NE(results.find(shown), std::string::npos) << shown;
    }
    EXPECT_EQ(results.find(",,"), std::string::npos) << results;
    const std::string settings = rltest::readFile(folder + "/Roamledger.settings");
    EXPECT_TRUE(std::regex_search(settings, std::regex("\\n#(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                                                       "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ")))
        << settings.substr(0, 200);
}

TEST_F(WindowProgramTest, AFirstStartWithoutSettingsOpensTheWindow) {
    if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
    const std::string folder = dir.file("fresh");
    std::filesystem::create_directories(folder);
    rltest::CommandRun result = run("'" + folder + "' --seconds 3");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(rltest::readFile(folder + "/Roamledger.html").find("Click the"), std::string::npos);
    auto settings = settingsIn(folder);
    EXPECT_EQ(settings["UUID"].size(), 36u);
    EXPECT_EQ(settings["StatLaunchCount"], "1");
}

TEST_F(WindowProgramTest, ATerminationSignalEndsThroughTheCleanUp) {
    if (!rltest::haveDisplay()) GTEST_SKIP() << "no X display: run under xvfb-run";
    const std::string folder = dir.file("signalled");
    std::filesystem::create_directories(folder);
    // Started in the background, terminated once its results page exists.
    const std::string page = folder + "/Roamledger.html";
    rltest::CommandRun result = run("'" + folder + "' & pid=$!; n=0; while [ ! -e '" + page +
                                    "' ] && [ $n -lt " + std::to_string(rltest::scaled(600)) + " ]; do sleep 0.05; n=$((n+1)); done; kill -TERM $pid; "
                                    "wait $pid; echo \"ended with $?\"");
    EXPECT_NE(result.output.find("ended with 0"), std::string::npos) << result.output;
    auto settings = settingsIn(folder);
    EXPECT_TRUE(settings.count("DurationLastLaunch"));
    EXPECT_TRUE(settings.count("OptWindowX"));
}

TEST_F(WindowProgramTest, SaysWhyItCannotStart) {
    rltest::CommandRun noDisplay =
        run("'" + dir.path() + "' --seconds 1", "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(noDisplay.exitCode, 1);
    EXPECT_NE(noDisplay.output.find("no window system"), std::string::npos) << noDisplay.output;

    rltest::CommandRun noFolder = run("'" + dir.file("missing") + "'");
    EXPECT_EQ(noFolder.exitCode, 2);
    EXPECT_NE(noFolder.output.find("cannot use folder"), std::string::npos) << noFolder.output;

    rltest::CommandRun badOption = run("--colour blue");
    EXPECT_EQ(badOption.exitCode, 2);
    EXPECT_NE(badOption.output.find("usage: roamledger-window"), std::string::npos) << badOption.output;
}

// A termination signal while the backup's refusal box is open (the live
// settings file itself was chosen as the copy): the clean-up runs once, the
// settings and the history keep what the run added, status 0.
TEST_F(WindowProgramTest, ASignalWhileTheBackupRefusalShowsEndsThroughTheCleanUp) {
    // Keys typed below reach only this display's windows.
    rltest::PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    const std::string folder = dir.file("backup");
    std::filesystem::create_directories(folder);
    writeSettings(folder, [] {
        RLPreferences::setPreviousBalance(0, "American", "12500");
        RLPreferences::setCurrentBalance(0, "American", "12500");
    });
    start(folder);
    auto log = [&] { return rltest::readFile(folder + "/Roamledger.log"); };
    auto press = [](const std::vector<std::string>& chord) {
        std::vector<std::pair<std::string, bool>> keys;
        for (const auto& key : chord) keys.emplace_back(key, true);
        for (auto it = chord.rbegin(); it != chord.rend(); ++it) keys.emplace_back(*it, false);
        return rltest::typeOnDisplay(keys);
    };

    auto titles = [] {
        std::string all;
        for (const auto& title : rltest::shownWindowTitles()) all += "[" + title + "] ";
        return all;
    };
    // The window's title names the product and its web site.
    std::string window;
    ASSERT_TRUE(rltest::waitFor(
        [&] {
            for (const auto& title : rltest::shownWindowTitles()) {
                if (title.rfind("Roamledger - www.", 0) == 0) window = title;
            }
            return !window.empty();
        },
        60000))
        << titles() << log();
    ASSERT_TRUE(rltest::waitFor([&] { return rltest::fileExists(folder + "/Roamledger.html"); }, 60000)) << log();
    const std::string dialog = "Backup Users, Accounts, & Options";
    // Ctrl+B until the save dialog shows: the first keys may come before
    // the window has the focus.
    ASSERT_TRUE(rltest::waitFor(
        [&] {
            if (rltest::shownWindowsTitled(dialog) == 1) return true;
            rltest::focusWindowTitled(window);
            press({"Control_L", "b"});
            return rltest::waitFor([&] { return rltest::shownWindowsTitled(dialog) == 1; }, 2000);
        },
        60000))
        << log();
    ASSERT_TRUE(rltest::focusWindowTitled(dialog));
    // The proposed name is selected in the name field: typed over, then the
    // question whether to replace the existing file is answered Yes.
    press({"Control_L", "a"});
    for (const char* key : {"R", "o", "a", "m", "l", "e", "d", "g", "e", "r", "period", "s", "e", "t", "t", "i", "n",
                            "g", "s"}) {
        press(std::string(key) == "R" ? std::vector<std::string>{"Shift_L", "r"} : std::vector<std::string>{key});
    }
    press({"Return"});
    ASSERT_TRUE(rltest::waitFor([&] { return rltest::shownWindowsTitled(dialog) == 2; }, 30000)) << titles();
    const std::string refusal = "Roamledger - Unable to Backup Settings";
    // Yes to the question, again until the refusal shows: keys that come
    // before the question has the focus go nowhere.
    ASSERT_TRUE(rltest::waitFor(
        [&] {
            if (rltest::shownWindowsTitled(refusal) == 1) return true;
            if (rltest::shownWindowsTitled(dialog) == 2) {
                rltest::focusWindowTitled(dialog);
                press({"Alt_L", "y"});
            }
            return rltest::waitFor([&] { return rltest::shownWindowsTitled(refusal) == 1; }, 2000);
        },
        30000))
        << titles() << log();
    EXPECT_NE(log().find("Backing up settings to: " + folder + "/Roamledger.settings"), std::string::npos) << log();

    EXPECT_EQ(endBySignal(30000), 0) << log() << rltest::readFile(folder + "/output.txt");
    auto settings = settingsIn(folder);
    EXPECT_TRUE(settings.count("DurationLastLaunch"));
    // One launch counted by the preparation, one by the run.
    EXPECT_EQ(settings["StatLaunchCount"], "2");
    EXPECT_EQ(settings["User0AmericanUsername"], "alice1");
    // The run's first history point, from the balance it started with.
    EXPECT_NE(rltest::readFile(folder + "/Roamledger.history").find("12500"), std::string::npos);
}

// Settings that can be neither read nor written (a folder in the place of
// the file): the start's box about them is open when the session ends
// (logind sends SIGTERM, then SIGHUP at once). The clean-up's failed save
// is logged, not shown in a second box that nobody would answer, and the
// program ends, status 0.
TEST_F(WindowProgramTest, ASignalEndsQuietlyWhenTheSettingsCanBeNeitherReadNorWritten) {
    rltest::PrivateXServer x;
    ASSERT_TRUE(x.running()) << x.error();
    const std::string folder = dir.file("unwritable");
    std::filesystem::create_directories(folder + "/Roamledger.settings");
    start(folder);
    auto log = [&] { return rltest::readFile(folder + "/Roamledger.log"); };
    ASSERT_TRUE(rltest::waitFor([] { return rltest::shownWindowsTitled("Roamledger - Unable to Load Settings") == 1; },
                                60000))
        << log();
    EXPECT_EQ(endBySignal(15000, {SIGTERM, SIGHUP}), 0) << log() << rltest::readFile(folder + "/output.txt");
    EXPECT_NE(log().find("Preferences file at " + folder + "/Roamledger.settings could not be saved"),
              std::string::npos)
        << log();
}

}  // namespace
