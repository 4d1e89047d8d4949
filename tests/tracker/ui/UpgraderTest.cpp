// The upgrade client's steps in this process, against an imitation product
// server: the check request, how a reply becomes offers, the failures that
// end a check before anything is asked, the finisher swap, the downloads and
// the new versions table. Cycles that end the process are run by
// UpgradeHandOffTest.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "foundation/PropertiesFormat.h"
#include "foundation/RegistryKey.h"
#include "foundation/ThreadController.h"
#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/support/ImitationWeb.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempRegistry.h"
#include "tests/support/TempWorkDir.h"
#include "tracker/ui/UpgradeDownloader.h"
#include "tracker/ui/Upgrader.h"

namespace fs = std::filesystem;
using rltest::Answer;
using rltest::fileExists;
using rltest::readFile;
using tracker::ui::UpgradeDownloader;
using tracker::ui::Upgrader;

namespace {

const char* const CHECK_HOST = "upgrade.lanternbay.example";
const char* const CHECK_ADDRESS = "https://upgrade.lanternbay.example/lanternbay/upgrade.php";
const char* const FILES = "https://files.lanternbay.example/components/";

class UpgraderTest : public rltest::ImitationWebTest {
protected:
    void SetUp() override {
        rltest::writeFile("Lanternbay.versions", "#installed\ncore=12\nskin=9\n");
        rltest::TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL", CHECK_ADDRESS);
    }

    void reply(const std::string& details) {
        site(CHECK_HOST).on("POST", "/lanternbay/upgrade.php", Answer::page(details));
    }

    std::shared_ptr<Upgrader> check(const std::string& details) {
        reply(details);
        auto upgrader = Upgrader::createForPortal(nullptr, "guid-1");
        upgrader->checkForUpgrades();
        return upgrader;
    }

    rltest::TempWorkDir dir;
    rltest::TempRegistry registry{dir.file("registry")};
    rltest::LogCapture log;
};

TEST_F(UpgraderTest, TheCheckPostsTheInstalledVersionsAndTakesEveryNewerOffer) {
    auto upgrader = check(std::string(FILES) +
                          "\r\ncore=13=core13.zip\r\nskin=9=skin9.zip\r\nskin=8=skin8.zip\n"
                          "fonts=0=fonts0.zip\nextra=2=extra2.zip\n");

    auto posts = site(CHECK_HOST).requests("POST", "/lanternbay/upgrade.php");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_TRUE(posts[0].tls);
    EXPECT_EQ(posts[0].target, "/lanternbay/upgrade.php?version=20060430");
    EXPECT_EQ(posts[0].body, "core=12&skin=9");

    EXPECT_EQ(upgrader->getNecessaryUpgrades(),
              (std::vector<std::string>{std::string(FILES) + "core13.zip", std::string(FILES) + "extra2.zip"}));
    EXPECT_EQ(upgrader->getVersionsProps(),
              (std::map<std::string, std::string>{{"core", "13"}, {"extra", "2"}, {"skin", "9"}}));
    for (const std::string& line :
         {std::string("UpgradeCheckURL: ") + CHECK_ADDRESS + "?version=20060430",
          std::string("Installed versions: core=12&skin=9"),
          std::string("Checking ") + CHECK_ADDRESS + "?version=20060430 for latest versions",
          std::string("Latest versions: ") + FILES +
              "\\ncore=13=core13.zip\\nskin=9=skin9.zip\\nskin=8=skin8.zip\\nfonts=0=fonts0.zip"
              "\\nextra=2=extra2.zip\\n",
          std::string("New core - old 12 - new 13 - available at ") + FILES +
          "core13.zip", std::string("New fonts - no old - new is 0 so ignoring"),
          std::string("New extra - there was no old version - new version is 2 - available at ") + FILES +
              "extra2.zip",
          std::string("Upgrader completed")}) {
        EXPECT_NE(log.text().find(" - " + line + "\n"), std::string::npos) << line << "\n" << log.text();
    }
    EXPECT_EQ(log.text().find('\r'), std::string::npos) << "the reply's line ends are escaped";
    EXPECT_EQ(log.count("New skin"), 0u) << "installed and not newer: nothing logged";
}

TEST_F(UpgraderTest, VersionsCompareAsNumbers) {
    rltest::writeFile("Lanternbay.versions", "core=9\nskin=007\nbig=2147483647\n");
    // A blank and a "~", just outside the control characters, are taken.
    auto upgrader =
        check("https://files.lanternbay.example/\ncore=10=c.zip\nskin=7=s.zip\nbig=-1=b.zip\nskin=+8=s 8~.zip");
    EXPECT_EQ(site(CHECK_HOST).requests().at(0).body, "big=2147483647&core=9&skin=7");
    EXPECT_EQ(upgrader->getNecessaryUpgrades(),
              (std::vector<std::string>{"https://files.lanternbay.example/c.zip",
                                        "https://files.lanternbay.example/s 8~.zip"}));
    EXPECT_EQ(upgrader->getVersionsProps().at("core"), "10");
    EXPECT_EQ(upgrader->getVersionsProps().at("skin"), "8");
    EXPECT_EQ(upgrader->getVersionsProps().at("big"), "2147483647");
}

TEST_F(UpgraderTest, RepliesWithoutACompleteOfferOfferNothing) {
    tk::Display display("headless");
    tk::TestDriver driver(display);
    const std::vector<std::string> replies = {std::string(""),
                                              std::string(FILES),
                                              std::string(FILES) + "\ncore=13",
                                              std::string(FILES) + "\ncore=13=\n",
                                              std::string("\r\n\r\n==\n"),
                                              std::string("<html><body>Down for maintenance</body></html>")};
    for (size_t i = 0; i < replies.size(); ++i) {
        SCOPED_TRACE(replies[i]);
        reply(replies[i]);
        Upgrader::createForPortal(nullptr, "guid-1")->go();
        EXPECT_EQ(log.count("No newer versions available"), i + 1);
        EXPECT_TRUE(driver.shownDialogs().empty());
        EXPECT_FALSE(Upgrader::wasAnyCheckSuccessful());
        EXPECT_FALSE(fileExists("upgrades"));
    }
}

TEST_F(UpgraderTest, FailuresBeforeTheQuestionEndTheCheckWithALogLineAndNothingElse) {
    struct Case {
        const char* label;
        std::string versions;  // "" for no versions file
        std::string details;
        std::string logged;
    };
    const std::string files = FILES;
    const std::vector<Case> cases = {
        {"missing versions file", "", files + "\ncore=13=core13.zip",
         "Error loading versions file at Lanternbay.versions"},
        {"installed version not a number", "core=twelve\n", files + "\ncore=13=core13.zip",
         "The version of core is not a whole number: twelve"},
        {"one bad version in the reply", "core=12\n", files + "\nskin=10=s.zip\ncore=13a=core13.zip",
         "the version \"13a\" offered for core is not a whole number"},
        {"reply that is no offer list", "core=12\n", "Internal error\ncore=13=core13.zip",
         "Malformed upgrade details: \"Internal error\" is no download address"},
        {"address ending in a folder", "core=12\n", files + "\ncore=13=new/", "names no file that can be saved"},
        {"file name ..", "core=12\n", "https://files.lanternbay.example\ncore=13=/..",
         "names no file that can be saved"},
        {"file name with a backslash", "core=12\n", files + "\ncore=13=..\\..\\evil.zip",
         "names no file that can be saved"},
        {"two offers of one file name", "core=12\nskin=1\n", files + "\ncore=13=a/pack.zip\nskin=2=b/pack.zip",
         "two offers are saved as pack.zip"},
        {"an offer named like the versions table", "core=12\n", files + "\ncore=13=Lanternbay.versions.tmp",
         "two offers are saved as Lanternbay.versions.tmp"},
        {"a NUL in the address", "core=12\n", files + "\ncore=13=c" + std::string(1, '\0') + ".zip",
         "c\\x00.zip is no download address"},
        {"the last control character", "core=12\n", files + "\ncore=13=c\x1F.zip", "c\\x1F.zip is no download address"},
        {"the delete character", "core=12\n", files + "\ncore=13=c\x7F.zip", "c\\x7F.zip is no download address"},
    };
    tk::Display display("headless");
    tk::TestDriver driver(display);
    rltest::writeFile("Vantrell", "#!/bin/sh\ntouch started-by-mistake\n");
    fs::permissions("Vantrell", fs::perms::owner_all);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove("Lanternbay.versions");
        if (!c.versions.empty()) rltest::writeFile("Lanternbay.versions", c.versions);
        reply(c.details);
        Upgrader::createForPortal(nullptr, "guid-1")->go();
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
        EXPECT_TRUE(driver.shownDialogs().empty()) << "no question and no error box";
        EXPECT_FALSE(Upgrader::wasAnyCheckSuccessful());
        EXPECT_EQ(Upgrader::getProgressShell(), nullptr);
        EXPECT_TRUE(display.getShells().empty());
        EXPECT_FALSE(fileExists("upgrades"));
        EXPECT_EQ(log.count("Spawning separate process"), 0u);
    }
    EXPECT_FALSE(fileExists("started-by-mistake"));
}

TEST_F(UpgraderTest, TheServersCertificateIsVerified) {
    site(CHECK_HOST).selfSignedCertificate();
    auto upgrader = check(std::string(FILES) + "\ncore=13=core13.zip");
    EXPECT_TRUE(upgrader->getNecessaryUpgrades().empty());
    EXPECT_EQ(log.count("Error while checking for latest versions"), 1u) << log.text();
    EXPECT_TRUE(site(CHECK_HOST).requests().empty());
}

TEST_F(UpgraderTest, UpgradesAreCheckedAndFetchedOverHttpsOnly) {
    tk::Display display("headless");
    tk::TestDriver driver(display);
    site("files.lanternbay.example").on("GET", "*", Answer::page("PK"));
    auto expectNothingOffered = [&](const std::string& logged) {
        Upgrader::createForPortal(nullptr, "guid-1")->go();
        EXPECT_EQ(log.count(logged), 1u) << log.text();
        EXPECT_TRUE(driver.shownDialogs().empty()) << "nothing is offered";
        EXPECT_FALSE(Upgrader::wasAnyCheckSuccessful());
        EXPECT_FALSE(fileExists("upgrades"));
        EXPECT_TRUE(site("files.lanternbay.example").requests().empty()) << "nothing is downloaded";
    };

    // A check address of another scheme is not even asked.
    rltest::TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL",
                                    "http://upgrade.lanternbay.example/lanternbay/upgrade.php");
    reply(std::string(FILES) + "\ncore=13=core13.zip");
    expectNothingOffered("Upgrades are checked over https only: not asking "
                         "http://upgrade.lanternbay.example/lanternbay/upgrade.php?version=20060430");
    EXPECT_TRUE(site(CHECK_HOST).requests().empty());

    // An https check whose answer offers downloads over http.
    rltest::TempRegistry::setString("Software\\Lanternbay", "UpgradeCheckURL", CHECK_ADDRESS);
    reply("http://files.lanternbay.example/components/\ncore=13=core13.zip");
    expectNothingOffered("Upgrades are downloaded over https only: the download address "
                         "http://files.lanternbay.example/components/ is refused");
    EXPECT_EQ(site(CHECK_HOST).requests().size(), 1u);

    // An https check redirected to http: the answer from there is dropped.
    site(CHECK_HOST)
        .on("POST", "/lanternbay/upgrade.php", Answer::redirect("http://upgrade.lanternbay.example/plain.php"))
        .on("GET", "/plain.php", Answer::page(std::string(FILES) + "\ncore=13=core13.zip"));
    expectNothingOffered("Upgrades are checked over https only: the reply came from "
                         "http://upgrade.lanternbay.example/plain.php and is dropped");
    // A refused address is no answer (nothing new), a refused offer a
    // failure of the answer: either way the check ends there.
    EXPECT_EQ(log.count("No newer versions available"), 2u);
}

TEST_F(UpgraderTest, ADownloaderRefusesAnAddressThatIsNotHttps) {
    site("files.lanternbay.example").on("GET", "*", Answer::page("PK"));
    fs::create_directories("upgrades");
    auto controller = std::make_shared<foundation::ThreadController>();
    auto downloader = std::make_shared<UpgradeDownloader>();
    downloader->setURL("http://files.lanternbay.example/components/core13.zip");
    downloader->setDownloadDir(dir.file("upgrades"));
    downloader->setThreadController(controller);
    controller->setSource(downloader);
    controller->setParameters(1, 50, 30000, 30000, false);
    controller->start();
    ASSERT_TRUE(controller->join(30000)) << "the download did not end";
    EXPECT_FALSE(downloader->isSuccess());
    EXPECT_TRUE(fs::is_empty("upgrades"));
    EXPECT_TRUE(site("files.lanternbay.example").requests().empty());
    EXPECT_EQ(log.count("Upgrades are downloaded over https only: "
                        "http://files.lanternbay.example/components/core13.zip is refused"),
              1u)
        << log.text();
}

TEST_F(UpgraderTest, TheServersAnswerIsLoggedEscapedAndCut) {
    std::string answer = std::string(FILES) + "\ncore=13=core13.zip\n" + "skin=10=skin\x1b[31m10.zip\n" +
                         "\n10/01/06 09:00 AM - Forged line\n" + std::string(9000, 'p');
    reply(answer);
    auto upgrader = Upgrader::createForPortal(nullptr, "guid-1");
    try {
        upgrader->checkForUpgrades();
        ADD_FAILURE() << "an address holding a control character was taken";
    } catch (const std::exception& failure) {
        EXPECT_EQ(std::string(failure.what()), std::string("Malformed upgrade details: ") + FILES +
                                                   "skin\\x1B[31m10.zip is no download address");
    }
    std::string text = log.text();
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find("\n10/01/06 09:00 AM - Forged"), std::string::npos) << text;
    std::string shown = "Latest versions: " + std::string(FILES) + "\\ncore=13=core13.zip\\nskin=10=skin\\x1B[31m";
    size_t at = text.find(shown);
    ASSERT_NE(at, std::string::npos) << text;
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end - at);
    std::string tail = " ... (" + std::to_string(answer.size()) + " bytes in all)";
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << line.substr(0, 200);
    EXPECT_LT(line.size(), 4096u * 2) << "a few kilobytes of the answer at most";
}

TEST_F(UpgraderTest, WithoutTheRegistryValueTheHostTablesProductServerIsAsked) {
    foundation::RegistryKey("Software\\Lanternbay").deleteValue("UpgradeCheckURL");
    site("www.roamledger.example").on("POST", "/lanternbay/upgrade.php", Answer::page(""));
    Upgrader::createForPortal(nullptr, "guid-1")->checkForUpgrades();
    auto posts = site("www.roamledger.example").requests("POST", "/lanternbay/upgrade.php");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_TRUE(posts[0].tls);
    EXPECT_EQ(posts[0].query, "version=20060430");
}

TEST_F(UpgraderTest, TheNewspaperEditionHasItsOwnServerPathNamesAndRegistryValue) {
    auto upgrader = Upgrader::createForBrightwire(nullptr);
    EXPECT_EQ(upgrader->getProductName(), "Roamledger");
    EXPECT_EQ(upgrader->getExeName(), "BRTWRL");
    EXPECT_EQ(upgrader->getVersionsRelativePath(), "Roamledger.versions");
    EXPECT_EQ(upgrader->getRegistryPath(), "Software\\Roamledger");
    EXPECT_EQ(upgrader->getRegistryKeyPrefix(), "BRTW");
    EXPECT_EQ(upgrader->getUpgradeCheckURL(), "https://www.roamledger.example/roamledger/brtw/upgrade.php");

    // Only the prefixed value counts for it.
    rltest::TempRegistry::setString("Software\\Roamledger", "UpgradeCheckURL", "https://wrong.example/x.php");
    rltest::TempRegistry::setString("Software\\Roamledger", "BRTWUpgradeCheckURL", "https://brtw.lanternbay.example/check.php");
    rltest::writeFile("Roamledger.versions", "tracker=3\n");
    site("brtw.lanternbay.example").on("POST", "/check.php", Answer::page(""));
    upgrader->checkForUpgrades();
    auto posts = site("brtw.lanternbay.example").requests("POST", "/check.php");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, "tracker=3");

    auto portal = Upgrader::createForPortal(nullptr, "guid-2");
    EXPECT_EQ(portal->getExeName(), "Lanternbay");
    EXPECT_EQ(portal->getRegistryKeyPrefix(), "");
    EXPECT_EQ(Upgrader::getUUID(), "guid-2");
}

TEST_F(UpgraderTest, ADeliveredFinisherTakesThePlaceOfTheRunningOne) {
    rltest::writeFile("Vantrell", "current");
    fs::permissions("Vantrell", fs::perms(0750));
    rltest::writeFile("Vantrell.old", "older");
    // Delivered from an archive that recorded no modes.
    rltest::writeFile("Vantrell.new", "delivered");
    fs::permissions("Vantrell.new", fs::perms(0640));
    auto upgrader = Upgrader::createForPortal(nullptr, "guid-1");
    upgrader->renameVantrellUpgrade();
    EXPECT_EQ(readFile("Vantrell"), "delivered");
    EXPECT_EQ(rltest::fileMode("Vantrell"), 0750u) << "still a program, as the one it replaces";
    EXPECT_EQ(readFile("Vantrell.old"), "current");
    EXPECT_FALSE(fileExists("Vantrell.new"));
    EXPECT_EQ(log.count("A new Vantrell exists.  Renaming Vantrell to Vantrell.old and Vantrell.new to Vantrell"), 1u);
    EXPECT_EQ(log.count("An old Vantrell already existed so deleting it first"), 1u);

    upgrader->renameVantrellUpgrade();
    EXPECT_EQ(readFile("Vantrell"), "delivered");
    EXPECT_EQ(readFile("Vantrell.old"), "current");
    EXPECT_EQ(log.count("A new Vantrell exists"), 1u);

    // With no finisher to take the modes of, a plain file becomes a program
    // for whoever may read it; one that is a program keeps its modes.
    fs::remove("Vantrell");
    rltest::writeFile("Vantrell.new", "first");
    fs::permissions("Vantrell.new", fs::perms(0640));
    upgrader->renameVantrellUpgrade();
    EXPECT_EQ(rltest::fileMode("Vantrell"), 0750u);
    rltest::writeFile("Vantrell.new", "second");
    fs::permissions("Vantrell.new", fs::perms(0700));
    upgrader->renameVantrellUpgrade();
    EXPECT_EQ(readFile("Vantrell"), "second");
    EXPECT_EQ(rltest::fileMode("Vantrell"), 0700u);
}

TEST_F(UpgraderTest, DownloadsLandInTheUpgradesFolderBesideTheNewVersionsTable) {
    tk::Display display("headless");
    site("files.lanternbay.example")
        .on("GET", "/components/core13.zip", Answer::page(std::string("PK\3\4core", 8)))
        .on("GET", "/components/extra2.zip", Answer::page(std::string(100000, 'e')));
    auto upgrader = check(std::string(FILES) + "\ncore=13=core13.zip\nextra=2=extra2.zip");
    fs::create_directories("upgrades");
    upgrader->buildGUI();
    tk::Shell* shell = Upgrader::getProgressShell();
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(shell->getText(), "Lanternbay - Upgrade");
    EXPECT_EQ(shell->getModality(), tk::APPLICATION_MODAL);

    upgrader->downloadUpgrades();
    EXPECT_EQ(readFile("upgrades/core13.zip"), std::string("PK\3\4core", 8));
    EXPECT_EQ(readFile("upgrades/extra2.zip"), std::string(100000, 'e'));
    auto children = shell->getChildren();
    ASSERT_EQ(children.size(), 2u);
    auto* status = dynamic_cast<tk::Label*>(children[0]);
    auto* bar = dynamic_cast<tk::ProgressBar*>(children[1]);
    ASSERT_TRUE(status && bar);
    EXPECT_EQ(status->getText(), "Downloading 2 new component(s)...\nDownload complete");
    EXPECT_EQ(bar->getMaximum(), 2);
    EXPECT_EQ(bar->getSelection(), 2);
    for (const auto& file : fs::directory_iterator("upgrades")) {
        EXPECT_EQ(file.path().extension(), ".zip") << file.path();
    }

    upgrader->saveTempVersions();
    std::string table = readFile("upgrades/Lanternbay.versions.tmp");
    EXPECT_EQ(table.rfind("#This file should not be manually edited\n#", 0), 0u) << table;
    std::map<std::string, std::string> parsed;
    foundation::PropertiesFormat::parse(table, parsed);
    EXPECT_EQ(parsed, (std::map<std::string, std::string>{{"core", "13"}, {"extra", "2"}, {"skin", "9"}}));
    for (const std::string& line :
         {std::string("Downloading upgrade - ") + FILES + "core13.zip to " + dir.file("upgrades/core13.zip"),
          std::string("Finished downloading extra2.zip")}) {
        EXPECT_EQ(log.count(line), 1u) << line << "\n" << log.text();
    }
}

TEST_F(UpgraderTest, OneFailedDownloadEndsTheOthersAndLeavesNoPartialFile) {
    tk::Display display("headless");
    site("files.lanternbay.example")
        .on("GET", "/components/slow.zip", Answer::page(std::string(200000, 's')).slowly(1000, 100))
        .on("GET", "/components/missing.zip", Answer::page("gone", 404).delay(300));
    auto upgrader = check(std::string(FILES) + "\ncore=13=slow.zip\nskin=10=missing.zip");
    fs::create_directories("upgrades");
    upgrader->buildGUI();
    auto started = std::chrono::steady_clock::now();
    try {
        upgrader->downloadUpgrades();
        FAIL() << "the download failure must reach the cycle";
    } catch (const std::exception& failure) {
        EXPECT_EQ(std::string(failure.what()), std::string("Upgrade download of ") + FILES + "slow.zip to " +
                                                   dir.file("upgrades") + " was unsuccessful");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
        << "the slow download was stopped, not waited for";
    EXPECT_EQ(log.count(std::string("Error while downloading ") + FILES + "missing.zip to " + dir.file("upgrades")),
              1u)
        << log.text();
    EXPECT_TRUE(fs::is_empty("upgrades")) << "no partial or stray file";
}

TEST(UpgradeDownloaderNames, TheFileNameIsWhatTheAddressEndsWith) {
    EXPECT_EQ(UpgradeDownloader::fileNameOf("https://h/a/core13.zip"), "core13.zip");
    EXPECT_EQ(UpgradeDownloader::fileNameOf("core13.zip"), "core13.zip");
    EXPECT_EQ(UpgradeDownloader::fileNameOf("https://h/a/"), "");
    for (const char* good : {"core13.zip", "a..b", ".hidden", "x?y=1"}) {
        EXPECT_TRUE(UpgradeDownloader::isUsableFileName(good)) << good;
    }
    for (const std::string& bad : {std::string(""), std::string("."), std::string(".."), std::string("a/b"),
                                   std::string("a\\b"), std::string("a\0b", 3)}) {
        EXPECT_FALSE(UpgradeDownloader::isUsableFileName(bad)) << bad;
    }
}

}  // namespace
