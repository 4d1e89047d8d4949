// The Navigator program started as the tracker starts it, without a
// browser to show: the argument count and the browser that cannot start;
// and from another folder.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/navigator/program/NavigatorRun.h"
#include "tests/support/BrowserSession.h"
#include "tests/support/TempWorkDir.h"

namespace {

std::string logText(const rltest::TempWorkDir& dir) {
    return rltest::fileExists(dir.file("Navigator.log")) ? rltest::readFile(dir.file("Navigator.log")) : "";
}

TEST(NavigatorCommand, TwoArgumentsEndWithMinusOneAndTheLine) {
    rltest::TempWorkDir dir;
    // Started from another folder, it logs into its own.
    std::filesystem::create_directory(dir.file("elsewhere"));
    rltest::NavigatorRun run = rltest::runNavigatorFrom(dir.file("elsewhere"), {"a", "b"}, 30000);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("elsewhere")));
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 255);  // -1 as the system reports an exit status
    EXPECT_EQ(run.output, "");
    const std::string log = logText(dir);
    EXPECT_NE(log.find(" - Incorrect number of arguments (2).  This app is not designed to be launched manually.\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST(NavigatorCommand, AnUnknownKeyEndsNormallyAndSaysNothing) {
    rltest::TempWorkDir dir;
    rltest::NavigatorRun run = rltest::runNavigator({"delta", "joe", "pw"}, 30000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(logText(dir), "");
}

TEST(NavigatorCommand, ValuesOnStandardInputCountAsArguments) {
    rltest::TempWorkDir dir;
    rltest::NavigatorRun run = rltest::runNavigator({"--stdin"}, 30000, std::string("Delta") + '\0' + "joe" + '\0');
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(logText(dir).find(" - Incorrect number of arguments (2).  This app is not designed to be launched "
                                "manually.\n"),
              std::string::npos)
        << logText(dir);
    std::remove(dir.file("Navigator.log").c_str());
    run = rltest::runNavigator({"--stdin"}, 30000, std::string("delta") + '\0' + "joe" + '\0' + "pw" + '\0');
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(logText(dir), "");
}

TEST(NavigatorCommand, ABrowserThatCannotStartIsLoggedWithoutThePassword) {
    rltest::TempWorkDir dir;
    rltest::BrowserSession session;
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    rltest::NavigatorRun run = rltest::runNavigator(
        {"--stdin"}, 60000, std::string("Delta") + '\0' + "joe" + '\0' + "Se cret&9%" + '\0' + "2nd secret" + '\0');
    if (!saved.empty()) ::setenv("DISPLAY", saved.c_str(), 1);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0);
    const std::string log = logText(dir);
    EXPECT_NE(log.find(" - Error launching Navigator: AutomationException: The browser did not start: no window "
                       "system: DISPLAY is not set\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("cret"), std::string::npos);
}

}  // namespace
