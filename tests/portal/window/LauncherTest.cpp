// LanternbayLauncher as a user (or the session at logon) starts it, from
// another folder, in an install folder where "Lanternbay" is a small
// program that records how it was started.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace rltest {
namespace {

class Launcher : public ::testing::Test {
protected:
    Launcher() {
        writeFile(dir.file("Lanternbay"), "#!/bin/sh\nprintf '%d' \"$#\" > started.tmp\nfor a in \"$@\"; do "
                                          "printf ' [%s]' \"$a\" >> started.tmp; done\nmv started.tmp started\n");
        ::chmod(dir.file("Lanternbay").c_str(), 0755);
        installProgram(RL_LAUNCHER, dir.path());
        std::filesystem::create_directory(dir.file("elsewhere"));
    }

    // Its log, the marker and Lanternbay are those of its own folder.
    CommandRun launch(const std::string& arguments) {
        return runCommand("cd elsewhere && '" + dir.file("LanternbayLauncher") + "'" + arguments + " 2>&1");
    }

    // How Lanternbay was started: the number of arguments and each one.
    std::string started() {
        if (!waitFor([this] { return fileExists(dir.file("started")); }, 10000)) return "not started";
        return readFile(dir.file("started"));
    }

    std::string log() const { return readFile(dir.file("LanternbayLauncher.log")); }

    TempWorkDir dir;
};

TEST_F(Launcher, AtLogonTheOverrideMarkerStartsNothing) {
    writeFile(dir.file("Lanternbay.startupoverride"), "x\r\n");
    CommandRun run = launch("");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(log().find(" - Launch at startup\n"), std::string::npos);
    EXPECT_NE(log().find(" - Startup override file exists.  Exiting.\n"), std::string::npos);
    EXPECT_EQ(log().find("Spawning"), std::string::npos);
    // The log is echoed to the console.
    EXPECT_NE(run.output.find("Startup override file exists.  Exiting."), std::string::npos);
    EXPECT_FALSE(fileExists(dir.file("started")));
}

TEST_F(Launcher, AtLogonWithoutTheMarkerLanternbayStartsWithoutArguments) {
    EXPECT_EQ(launch("").exitCode, 0);
    EXPECT_EQ(started(), "0");
    EXPECT_NE(log().find(" - No startup override file\n"), std::string::npos);
    EXPECT_NE(log().find(" - Spawning separate process: Lanternbay\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("elsewhere")));
}

TEST_F(Launcher, ByHandOnlyTheFirstArgumentIsPassedOnWhole) {
    EXPECT_EQ(launch(" 'a b' c d").exitCode, 0);
    EXPECT_EQ(started(), "1 [a b]");
    EXPECT_NE(log().find(" - Launch not at startup\n"), std::string::npos);
    EXPECT_NE(log().find(" - Spawning separate process: Lanternbay a b\n"), std::string::npos);
}

TEST_F(Launcher, ByHandTheMarkerDoesNotCount) {
    writeFile(dir.file("Lanternbay.startupoverride"), "x\r\n");
    EXPECT_EQ(launch(" a b c").exitCode, 0);
    EXPECT_EQ(started(), "1 [a]");
    EXPECT_NE(log().find(" - Spawning separate process: Lanternbay a\n"), std::string::npos);
}

TEST_F(Launcher, AMissingLanternbayIsLogged) {
    std::remove(dir.file("Lanternbay").c_str());
    EXPECT_EQ(launch(" x").exitCode, 0);
    EXPECT_NE(log().find(" - Unable to launch Lanternbay: "), std::string::npos) << log();
}

}  // namespace
}  // namespace rltest
