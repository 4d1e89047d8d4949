// tiraleaf-host as a user starts it: it shows the control, lists its
// events, saves a picture of its window and ends on its own; a wrong
// command line or a missing display is told plainly.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TempWorkDir.h"

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

}  // namespace
