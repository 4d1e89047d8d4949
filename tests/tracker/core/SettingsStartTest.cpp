// Starting without a settings file (the first start, or the import of a
// previous installation) and the boxes that tell of unreadable and
// unwritable files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/toolkit/TestDriver.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/tracker/core/PrefsFixture.h"

using tracker::BasePreferences;
using tracker::RLPreferences;
using tracker::ui::BaseRLApp;

namespace {

// The install folder is a subfolder of the test folder, so the previous
// installations beside it stay inside the test folder too.
class SettingsStart : public rltest::PrefsFixture {
protected:
    void SetUp() override {
        rltest::PrefsFixture::SetUp();
        root = dir.path();
        install = root + "/Current";
        std::filesystem::create_directory(install);
        ASSERT_EQ(::chdir(install.c_str()), 0);
        display = std::make_unique<tk::Display>("headless");
        shell = tk::make<tk::Shell>(display.get(), tk::SHELL_TRIM);
        driver = std::make_unique<tk::TestDriver>(*display);
        BaseRLApp::setDisplay(display.get());
        BaseRLApp::setShell(shell.get());
    }
    void TearDown() override {
        BaseRLApp::setShell(nullptr);
        BaseRLApp::setDisplay(nullptr);
        driver.reset();
        shell.reset();
        display.reset();
        rltest::PrefsFixture::TearDown();
    }

    std::string installed(const std::string& name) const { return install + "/" + name; }

    void makePrevious(const std::string& folder, const Entries& entries) {
        std::filesystem::create_directories(root + "/" + folder);
        rltest::writeFile(root + "/" + folder + "/Roamledger.settings",
                          tracker::PropertiesPrefPersist::formatProperties(entries, "old"));
    }

    const std::vector<tk::ShownDialog>& shown() const { return driver->shownDialogs(); }

    std::string root;
    std::string install;
    std::unique_ptr<tk::Display> display;
    std::shared_ptr<tk::Shell> shell;
    std::unique_ptr<tk::TestDriver> driver;
};

}  // namespace

TEST_F(SettingsStart, FirstStartWithTheImportDeclined) {
    driver->answerButton(tk::NO);
    load();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].kind, tk::DialogKind::MessageBox);
    EXPECT_EQ(shown()[0].title, "Roamledger - Previous User Check");
    EXPECT_EQ(shown()[0].style, tk::ICON_QUESTION | tk::YES | tk::NO);

    ASSERT_EQ(RLPreferences::getUserCount(), 1);
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Main User");
    EXPECT_EQ(RLPreferences::getUUID().size(), 36u);
    EXPECT_EQ(BasePreferences::getLaunchCount(), 1);
    EXPECT_EQ(RLPreferences::getAccountCountOnLaunch(), 0);
    EXPECT_FALSE(rltest::fileExists(installed("Roamledger.settings"))) << "nothing is written before a save";

    ASSERT_EQ(reports.size(), 1u);
    const std::string& report = reports[0].message;
    EXPECT_NE(report.find("\r\nUserCount=1\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nUUID=" + RLPreferences::getUUID() + "\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nSettingsVersion=\r\n"), std::string::npos);
    EXPECT_EQ(report.find(":Aeroflot="), std::string::npos);
    EXPECT_EQ(report.find("\r\n0:"), std::string::npos) << "no account pairs";

    BasePreferences::savePrefs();
    auto file = rltest::PrefsFixture::Entries();
    tracker::PropertiesPrefPersist::parseProperties(rltest::readFile(installed("Roamledger.settings")), file);
    EXPECT_EQ(file["Version"], "20060430");
    EXPECT_EQ(file["UUID"], RLPreferences::getUUID());
    EXPECT_EQ(file["StatLaunchCount"], "1");
    EXPECT_EQ(file["User0"], "Main User");
    EXPECT_EQ(file["AdsLastLaunch"], "0");
}

TEST_F(SettingsStart, FarhavenStartsEmptyWithoutAsking) {
    BaseRLApp::setAppType(BaseRLApp::APP_TYPE_FARHAVEN);
    load();
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Main User");
    EXPECT_EQ(BasePreferences::getMaxThreadsHigh(), 8);
}

TEST_F(SettingsStart, ImportTakesThePreviousSettingsAndHistory) {
    makePrevious("Roamledger", {{"User0", "Ann"}, {"User0AmericanUsername", "AA1"}, {"StatLaunchCount", "41"}});
    rltest::writeFile(root + "/Roamledger/Roamledger.history", "0 AA 1165000000000 12345\n");
    driver->answerButton(tk::YES);
    driver->answer(tk::DialogAnswer::folder(root + "/Roamledger/"));
    load();

    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[1].kind, tk::DialogKind::DirectoryDialog);
    EXPECT_EQ(shown()[1].title, "Select Previous Roamledger Directory");
    EXPECT_EQ(shown()[1].filterPath, root + "/Roamledger") << "the folder whose settings exist";

    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Ann");
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "AA1");
    EXPECT_EQ(BasePreferences::getLaunchCount(), 42);
    ASSERT_TRUE(rltest::fileExists(installed("Roamledger.settings"))) << "the import is saved at once";
    EXPECT_EQ(rltest::readFile(installed("Roamledger.history")), "0 AA 1165000000000 12345\n");
    EXPECT_EQ(store->getFilePath(), installed("Roamledger.settings")) << "later saves go to the install folder";
}

TEST_F(SettingsStart, ImportNeverOverwritesAnExistingHistory) {
    makePrevious("Roamledger", {{"User0", "Ann"}});
    rltest::writeFile(root + "/Roamledger/Roamledger.history", "old points\n");
    rltest::writeFile(installed("Roamledger.history"), "points of this installation\n");
    driver->answerButton(tk::YES);
    driver->answer(tk::DialogAnswer::folder(root + "/Roamledger"));
    load();
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Ann");
    EXPECT_EQ(rltest::readFile(installed("Roamledger.history")), "points of this installation\n");
}

TEST_F(SettingsStart, ChooserStartsWhereTheEditionsOldSettingsAre) {
    struct Case {
        int appType;
        const char* expected;  // folder under the test folder, "" for none
    };
    makePrevious("Brightwire Roamledger", {});
    makePrevious("Lanternbay", {});
    makePrevious("Roamledger", {});
    const Case cases[] = {{0, "Brightwire Roamledger"}, {2, "Lanternbay"}, {3, "Lanternbay"}};
    for (const Case& c : cases) {
        BaseRLApp::setAppType(c.appType);
        driver->clearShownDialogs();
        driver->answerButton(tk::YES);
        driver->answer(tk::DialogAnswer::folder(std::nullopt));
        load();
        ASSERT_EQ(shown().size(), 2u) << c.appType;
        EXPECT_EQ(shown()[1].filterPath, root + "/" + c.expected) << c.appType;
        EXPECT_FALSE(rltest::fileExists(installed("Roamledger.settings"))) << "cancelled: nothing imported";
    }
    std::filesystem::remove_all(root + "/Brightwire Roamledger");
    std::filesystem::remove_all(root + "/Lanternbay");
    for (int type : {0, 2}) {
        BaseRLApp::setAppType(type);
        driver->clearShownDialogs();
        driver->answerButton(tk::YES);
        driver->answer(tk::DialogAnswer::folder(std::nullopt));
        load();
        ASSERT_EQ(shown().size(), 2u);
        EXPECT_EQ(shown()[1].filterPath, root + "/Roamledger") << type;
    }
    std::filesystem::remove_all(root + "/Roamledger");
    driver->clearShownDialogs();
    driver->answerButton(tk::YES);
    driver->answer(tk::DialogAnswer::folder(std::nullopt));
    load();
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_EQ(shown()[1].filterPath, "");
}

TEST_F(SettingsStart, ChosenFolderWithoutSettingsIsReported) {
    std::filesystem::create_directory(root + "/Empty");
    driver->answerButton(tk::YES);
    driver->answer(tk::DialogAnswer::folder(root + "/Empty"));
    driver->answerButton(tk::OK);
    load();
    ASSERT_EQ(shown().size(), 3u);
    EXPECT_EQ(shown()[2].title, "Roamledger - Unable to Load Settings");
    EXPECT_EQ(shown()[2].message, "Unable to find previous settings at " + root +
                                      "/Empty/Roamledger.settings.\r\n\r\nPrevious settings will not be used.");
    EXPECT_EQ(shown()[2].style, tk::ICON_ERROR | tk::OK);
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Main User");
    EXPECT_EQ(store->getFilePath(), installed("Roamledger.settings"));
}

TEST_F(SettingsStart, UnreadableSettingsAreShownKeptAsideAndStartWhatWasRead) {
    rltest::writeFile(installed("Roamledger.settings"), "User0=Ann\nUser1=\\u00\n");
    driver->answerButton(tk::OK);
    load();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].title, "Roamledger - Unable to Load Settings");
    EXPECT_EQ(shown()[0].message.rfind("Unable to load settings:\r\n\r\nGory details if necessary for support:\r\n\r\n", 0),
              0u);
    EXPECT_NE(shown()[0].message.find("Malformed"), std::string::npos) << "the failure is named";
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Ann");
    EXPECT_EQ(rltest::readFile(installed("Roamledger.settings.unreadable")), "User0=Ann\nUser1=\\u00\n");
}

TEST_F(SettingsStart, UnwritableSettingsAreShownWithTheFileName) {
    writeSettings({{"User0", "Ann"}});
    std::filesystem::rename(settingsPath(), installed("Roamledger.settings"));
    load();
    std::filesystem::remove(installed("Roamledger.settings"));
    std::filesystem::create_directory(installed("Roamledger.settings"));
    driver->answerButton(tk::OK);
    BasePreferences::savePrefs();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].title, "Roamledger - Unable to Save Settings");
    EXPECT_EQ(shown()[0].message.rfind("Unable to save settings. Check that the file (Roamledger.settings) is not "
                                       "open or read-only.\r\n\r\nGory details if necessary for support:\r\n\r\n",
                                       0),
              0u);
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Ann");
}
