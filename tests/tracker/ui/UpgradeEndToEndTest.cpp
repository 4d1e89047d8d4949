// An upgrade from the offer to the relaunch, as a user's installation lives
// through it: the portal's upgrade cycle (upgrade-probe) checks the product
// server named in the registry, is answered yes, downloads two archives,
// hands over to the real Vantrell and ends; Vantrell installs both
// archives with their scripts, replaces the versions file, deletes the
// upgrade folder and starts the program again.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "foundation/FileUtil.h"
#include "foundation/PropertiesFormat.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tests/support/ZipBuilder.h"

namespace fs = std::filesystem;
using rltest::Answer;
using rltest::fileExists;
using rltest::readFile;
using rltest::ZipItem;

namespace {

std::string archive(const std::string& scratch, const std::string& name, const std::vector<ZipItem>& items) {
    std::string path = scratch + "/" + name;
    rltest::writeZipWithLibzip(path, items);
    return readFile(path);
}

class UpgradeEndToEndTest : public rltest::ImitationWebTest {
protected:
    rltest::TempWorkDir dir;
    rltest::TempRegistry registry{dir.file("registry")};
};

TEST_F(UpgradeEndToEndTest, CheckAskDownloadHandOverInstallAndRelaunch) {
    // The installation: its versions, the program, the finisher, and where
    // its upgrades come from.
    rltest::TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL",
                                    "https://upgrade.lanternbay.example/lanternbay/upgrade.php");
    rltest::writeFile("Lanternbay.versions", "#installed\ncore=12\nskin=3\nmaps=5\n");
    fs::create_directories("core");
    rltest::writeFile("core/version.txt", "12");
    rltest::writeFile("Lanternbay",
                      "#!/bin/sh\n{ echo \"relaunched $#\"; cat core/version.txt; } > relaunched.tmp\n"
                      "mv relaunched.tmp relaunched.mark\n");
    ::chmod("Lanternbay", 0755);
    foundation::FileUtil::copyFile(VANTRELL_PATH, "Vantrell");
    ::chmod("Vantrell", 0755);

    // The product server offers two components.
    std::string scratch = dir.file("server");
    fs::create_directories(scratch);
    std::string core = archive(
        scratch, "core13.zip",
        {ZipItem::file("pre-upgrade.bat", "echo \"pre $(cat core/version.txt)\" > pre.mark\n"),
         ZipItem::folder("core/"), ZipItem::file("core/version.txt", "13\n"),
         ZipItem::file("core/helper", "#!/bin/sh\necho help\n", 0755),
         ZipItem::file("post-upgrade.bat", "echo \"post $(cat core/version.txt)\" > post.mark\n")});
    std::string skin =
        archive(scratch, "skin4.zip", {ZipItem::file("skin/colours.css", std::string(20000, 'c'), 0640)});
    fs::remove_all(scratch);
    site("upgrade.lanternbay.example")
        .on("POST", "/lanternbay/upgrade.php",
            Answer::page("https://files.lanternbay.example/components/\r\ncore=13=core13.zip\r\nskin=4=skin4.zip"
                         "\r\nmaps=5=maps5.zip\r\n"));
    site("files.lanternbay.example")
        .on("GET", "/components/core13.zip", Answer::page(core))
        .on("GET", "/components/skin4.zip", Answer::page(skin));

    // The program runs its upgrade cycle; the user says yes.
    rltest::CommandRun client = rltest::runCommand(std::string(UPGRADE_PROBE_PATH) + " yes");
    ASSERT_EQ(client.exitCode, 0) << readFile("probe.log");
    EXPECT_TRUE(fileExists("cleaned-up.mark"));
    EXPECT_EQ(readFile("upgrades/Lanternbay.versions.tmp").rfind("#This file should not be manually edited\n", 0), 0u);

    // Vantrell waits five seconds for the program to quit, then installs.
    ASSERT_TRUE(rltest::waitFor([] { return fileExists("relaunched.mark"); }, 60000)) << readFile("Vantrell.log");
    ASSERT_TRUE(rltest::waitFor([] { return readFile("Vantrell.log").find(" - Exiting\n") != std::string::npos; },
                                30000))
        << readFile("Vantrell.log");

    EXPECT_EQ(readFile("relaunched.mark"), "relaunched 0\n13\n");
    EXPECT_EQ(readFile("pre.mark"), "pre 12\n") << "the pre-upgrade script runs before the files move";
    EXPECT_EQ(readFile("post.mark"), "post 13\n") << "the post-upgrade script runs after";
    EXPECT_FALSE(fileExists("pre-upgrade.bat"));
    EXPECT_FALSE(fileExists("post-upgrade.bat"));
    EXPECT_EQ(readFile("core/helper"), "#!/bin/sh\necho help\n");
    EXPECT_EQ(rltest::fileMode("core/helper"), 0755u);
    EXPECT_EQ(readFile("skin/colours.css"), std::string(20000, 'c'));
    EXPECT_EQ(rltest::fileMode("skin/colours.css"), 0640u);
    EXPECT_FALSE(fileExists("upgrades"));

    std::string versions = readFile("Lanternbay.versions");
    EXPECT_EQ(versions.rfind("#This file should not be manually edited\n", 0), 0u) << versions;
    std::map<std::string, std::string> table;
    foundation::PropertiesFormat::parse(versions, table);
    EXPECT_EQ(table, (std::map<std::string, std::string>{{"core", "13"}, {"maps", "5"}, {"skin", "4"}}));

    std::string log = readFile("Vantrell.log");
    EXPECT_NE(log.find(" - Executable Path: Lanternbay\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" - Spawning separate process: ./Lanternbay\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Unable"), std::string::npos) << log;
}

}  // namespace
