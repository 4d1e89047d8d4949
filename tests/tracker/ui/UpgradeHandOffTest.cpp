// Whole upgrade cycles in a program of their own (upgrade-probe), since a
// cycle that hands over ends its process: the hand-off to the finisher, the
// user's refusal, a failed download, and a finisher that cannot start. The
// finisher here is a stand-in that records how it was started.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ImitationWeb.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"

namespace fs = std::filesystem;
using rltest::Answer;
using rltest::fileExists;
using rltest::readFile;

namespace {

const char* const CHECK_HOST = "upgrade.lanternbay.example";
const char* const FILES = "https://files.lanternbay.example/components/";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

class UpgradeHandOffTest : public rltest::ImitationWebTest {
protected:
    void SetUp() override {
        rltest::TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL",
                                        "https://upgrade.lanternbay.example/lanternbay/upgrade.php");

        rltest::writeFile("Lanternbay.versions", "core=12\nskin=3\n");
        // Stands in for the finisher: records its command line.
        rltest::writeFile("Vantrell",
                          "#!/bin/sh\necho started >> starts.txt\n"
                          "{ echo \"$0\"; for a in \"$@\"; do echo \"$a\"; done; } > handoff.tmp\n"
                          "mv handoff.tmp handoff.txt\n");
        ::chmod("Vantrell", 0755);
        site(CHECK_HOST).on("POST", "/lanternbay/upgrade.php",
                            Answer::page(std::string(FILES) + "\r\ncore=13=core13.zip\r\nskin=4=skin4.zip\r\n"));
        site("files.lanternbay.example")
            .on("GET", "/components/core13.zip", Answer::page("core archive"))
            .on("GET", "/components/skin4.zip", Answer::page("skin archive"));
    }

    int probe(const std::string& args) {
        return rltest::runCommand(std::string(UPGRADE_PROBE_PATH) + " " + args).exitCode;
    }

    bool handedOff() { return rltest::waitFor([] { return fileExists("handoff.txt"); }, 30000); }

    std::string probeLog() { return readFile("probe.log"); }

    std::vector<std::string> expectedHandOff() {
        std::string wd = dir.path();
        return {wd + "/Vantrell",
                wd + "/upgrades",
                wd,
                "Lanternbay",
                wd + "/upgrades/Lanternbay.versions.tmp",
                wd + "/Lanternbay.versions"};
    }

    rltest::TempWorkDir dir;
    rltest::TempRegistry registry{dir.file("registry")};
};

TEST_F(UpgradeHandOffTest, AnAcceptedUpgradeIsDownloadedAndHandedToTheFinisher) {
    EXPECT_EQ(probe("yes"), 0) << probeLog();
    ASSERT_TRUE(handedOff()) << probeLog();
    EXPECT_EQ(linesOf(readFile("handoff.txt")), expectedHandOff());

    EXPECT_EQ(readFile("upgrades/core13.zip"), "core archive");
    EXPECT_EQ(readFile("upgrades/skin4.zip"), "skin archive");
    std::string table = readFile("upgrades/Lanternbay.versions.tmp");
    EXPECT_NE(table.find("\ncore=13\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\nskin=4\n"), std::string::npos) << table;
    EXPECT_EQ(readFile("Lanternbay.versions"), "core=12\nskin=3\n") << "the finisher replaces it, not the client";

    EXPECT_TRUE(fileExists("cleaned-up.mark"));
    EXPECT_FALSE(fileExists("returned.mark"));
    auto dialogs = linesOf(readFile("dialogs.txt"));
    ASSERT_EQ(dialogs.size(), 3u) << "one box";
    EXPECT_EQ(dialogs[0], "Lanternbay - Upgrade Available");
    EXPECT_EQ(dialogs[1],
              "There is an upgrade available for Lanternbay. Do you wish to have it automatically downloaded and "
              "installed?\\r\\n\\r\\nIf not, you will be asked again the next time that Lanternbay is launched.");
    EXPECT_EQ(dialogs[2], "196") << "question icon, Yes and No";

    std::string log = probeLog();
    std::string spawn = "Spawning separate process: ";
    for (const auto& word : expectedHandOff()) spawn += word + " ";
    EXPECT_NE(log.find(spawn + "\n"), std::string::npos) << log;
    EXPECT_LT(log.find("User chose to download and install upgrades"), log.find(spawn));
    EXPECT_LT(log.find(spawn), log.find("Probe clean-up")) << "the clean-up comes once the finisher runs";
}

TEST_F(UpgradeHandOffTest, ARefusedUpgradeChangesNothingAndIsNotOfferedAgainInTheSameRun) {
    EXPECT_EQ(probe("no 0 twice"), 3) << probeLog();
    EXPECT_TRUE(fileExists("returned.mark"));
    EXPECT_FALSE(fileExists("cleaned-up.mark"));
    EXPECT_FALSE(fileExists("handoff.txt"));
    EXPECT_FALSE(fileExists("upgrades"));
    EXPECT_EQ(linesOf(readFile("dialogs.txt")).size(), 3u) << "asked once";
    std::string log = probeLog();
    EXPECT_NE(log.find("User chose not to download and install upgrades"), std::string::npos) << log;
    EXPECT_EQ(site(CHECK_HOST).requests().size(), 1u) << "the second cycle returns at once";
    EXPECT_TRUE(site("files.lanternbay.example").requests().empty());
}

TEST_F(UpgradeHandOffTest, AFailedDownloadIsShownAndTheProgramRestartsUnchanged) {
    site("files.lanternbay.example").on("GET", "/components/skin4.zip", Answer::page("gone", 404));
    EXPECT_EQ(probe("yes"), 0) << probeLog();
    ASSERT_TRUE(handedOff()) << probeLog();
    EXPECT_EQ(linesOf(readFile("handoff.txt")), expectedHandOff());
    EXPECT_FALSE(fileExists("upgrades")) << "the finisher finds nothing to install";
    EXPECT_TRUE(fileExists("cleaned-up.mark"));

    auto dialogs = linesOf(readFile("dialogs.txt"));
    ASSERT_EQ(dialogs.size(), 6u);
    EXPECT_EQ(dialogs[3], "Lanternbay - Upgrade Error");
    EXPECT_EQ(dialogs[4], "An error occurred while checking for or downloading the upgrade. No changes have been made.");
    EXPECT_EQ(dialogs[5], "33") << "error icon, OK";
    std::string log = probeLog();
    EXPECT_NE(log.find(std::string("Upgrade download of ") + FILES), std::string::npos) << log;
}

TEST_F(UpgradeHandOffTest, AFailingCleanUpStillEndsTheProcessAndStartsNoSecondFinisher) {
    EXPECT_EQ(probe("yes 0 throw"), 0) << probeLog();
    ASSERT_TRUE(handedOff()) << probeLog();
    EXPECT_EQ(readFile("starts.txt"), "started\n");
    EXPECT_NE(probeLog().find("Unable to clean up before the upgrade: "), std::string::npos) << probeLog();
    EXPECT_EQ(probeLog().find("Upgrade Error"), std::string::npos);
    EXPECT_EQ(linesOf(readFile("dialogs.txt")).size(), 3u) << "no error box";
}

TEST_F(UpgradeHandOffTest, WithoutAFinisherTheProgramKeepsRunning) {
    fs::remove("Vantrell");
    EXPECT_EQ(probe("yes"), 3) << probeLog();
    EXPECT_TRUE(fileExists("returned.mark"));
    EXPECT_FALSE(fileExists("cleaned-up.mark"));
    EXPECT_NE(probeLog().find("Unable to launch Vantrell: "), std::string::npos) << probeLog();
}

TEST_F(UpgradeHandOffTest, AFailureBeforeTheQuestionNeitherAsksNorRestarts) {
    fs::remove("Lanternbay.versions");
    EXPECT_EQ(probe("yes"), 3) << probeLog();
    EXPECT_TRUE(fileExists("returned.mark"));
    EXPECT_FALSE(fileExists("cleaned-up.mark"));
    EXPECT_FALSE(fileExists("handoff.txt"));
    EXPECT_EQ(readFile("dialogs.txt"), "");
    EXPECT_NE(probeLog().find("Error loading versions file at Lanternbay.versions"), std::string::npos);
}

}  // namespace
