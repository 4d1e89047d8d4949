// The end of the process through the window's clean-up, the settings
// backups of the Setup menu, and the upgrade checks of the editions.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "foundation/MiscUtil.h"
#include "tests/support/Wait.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/ICleanable.h"
#include "tracker/ui/IUpgrader.h"
#include "tracker/ui/IWrapper.h"

namespace {

using namespace rltest;
using tracker::ui::BaseRLApp;

using WindowCleanUpTest = WindowFixture;

TEST_F(WindowCleanUpTest, ExitSavesStatisticsAndHistoryAndEndsWithStatusZeroAfterEveryThread) {
    // One account ends at once, one hangs until it is stopped.
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("1600"); });
    adapters.add("Aeroflot", [](ScriptedSource& s) {
        ScriptedSource::waitForStop();
        s.registerBalance("999");
    });
    prepareSettings({{"Alice", {{"American", "a", "pw", "", std::string("1500")}, {"Aeroflot", "b", "pw", "", {}}}}},
                    {{"OptThreadPoll", "5"}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    settle();
    auto* shell = static_cast<tk::Shell*>(window->getComposite());
    ASSERT_TRUE(driver.moveByUser(*shell, 10, 20));
    ASSERT_TRUE(driver.resizeByUser(*shell, 600, 400));

    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    auto engine = window->getEngine();
    // The first balance is in and has made its history point.
    ASSERT_TRUE(waitFor([] { return RLPreferences::getCurrentBalance(0, "American") == std::string("1600"); }));
    ASSERT_TRUE(waitFor([&] {
        settle();
        return tracker::History::newEntryCount() >= 2;
    }));
    std::vector<std::shared_ptr<tracker::RLSource>> sources;
    for (const char* key : {"American", "Aeroflot"}) {
        sources.push_back(engine->getSource(0, *RLPreferences::findRow(key)));
    }
    ASSERT_TRUE(sources[1]->isAlive());

    bool threadsAliveAtEnd = true;
    onProcessEnd = [&] {
        threadsAliveAtEnd = engine->isAlive() || sources[0]->isAlive() || sources[1]->isAlive();
    };
    tk::MenuItem* exitItem = nullptr;
    for (tk::MenuItem* item : window->getMenu()->getItem(0)->getMenu()->getItems()) {
        if (item->getText().rfind("E&xit", 0) == 0) exitItem = item;
    }
    ASSERT_NE(exitItem, nullptr);
    ASSERT_TRUE(driver.choose(*exitItem));

    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_FALSE(threadsAliveAtEnd);
    EXPECT_EQ(window->getEngine(), nullptr);
    auto stored = storedSettings();
    const tk::Rectangle bounds = shell->getBounds();
    EXPECT_EQ(bounds, (tk::Rectangle{10, 20, 600, 400}));
    EXPECT_EQ(stored["OptWindowX"], "150");
    EXPECT_EQ(stored["OptWindowY"], "300");
    EXPECT_EQ(stored["OptWindowWidth"], "9000");
    EXPECT_EQ(stored["OptWindowHeight"], "6000");
    EXPECT_TRUE(stored.count("DurationLastLaunch"));
    // The history file holds the run's points: the start from the stored
    // balance and the new balance.
    const std::string history = readFile(dir.file("Roamledger.history"));
    EXPECT_NE(history.find("0 AA "), std::string::npos) << history;
    EXPECT_NE(history.find(" 1500\n"), std::string::npos) << history;
    EXPECT_NE(history.find(" 1600\n"), std::string::npos) << history;
    EXPECT_EQ(tracker::History::newEntryCount(), 0u);
    // The stopped account recorded nothing after its stop.
    EXPECT_NE(RLPreferences::getCurrentBalance(0, "Aeroflot"), std::string("999"));
}

TEST_F(WindowCleanUpTest, TheCloseBoxOfTheFarhavenWindowEndsTheProcess) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    ASSERT_TRUE(driver.closeBox(*static_cast<tk::Shell*>(window->getComposite())));
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_TRUE(window->getComposite()->isDisposed());
}

TEST_F(WindowCleanUpTest, ThePortalStoresNoGeometryAndWithoutDetailsWritesNoHistory) {
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("1700"); });
    prepareSettings({{"Alice", {{"American", "a", "pw", "", std::string("1500")}}}});
    host = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    host->open();
    window = std::make_unique<BaseRLApp>();
    window->init(BaseRLApp::APP_TYPE_LANTERNBAY, &display, host.get(), tk::NO_TRIM, false, true, "", nullptr);
    window->setSize(581, 500);
    window->show();
    ASSERT_TRUE(driver.click(*window->getUpdateButton()));
    ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
    settle();
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "1700");

    window->cleanUp(false);
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
    EXPECT_FALSE(fileExists(dir.file("Roamledger.history")));
    auto stored = storedSettings();
    EXPECT_FALSE(stored.count("OptWindowX"));
    EXPECT_EQ(stored["User0AmericanBalance"], "1700");
}

class CleanableWrapper : public tracker::ui::IWrapper {
public:
    void cleanUp() override {
        ++cleanUps;
        if (window) window->cleanUp(false);
    }
    void updateContent() override {}
    bool shouldStopHandlingNavigation(const std::string&) override { return false; }
    void removeOfflineParamFromURLAndBrowseTo() override {}
    void navigateWrapperBrowserToCancel() override {}
    void navigateWrapperBrowserToBalances() override {}
    int getTitleBarHeightDiff() override { return 3; }
    int getRoamledgerRelativeY() override { return 316; }
    int getRoamledgerRelativeX() override { return 15; }
    tk::Point getRoamledgerPreferredSize(tk::Shell*) override { return {700, 400}; }
    std::shared_ptr<tracker::ui::SetupDialog> createSetupDialog(tk::Shell*, BaseRLApp*) override { return nullptr; }

    BaseRLApp* window = nullptr;
    int cleanUps = 0;
};

TEST_F(WindowCleanUpTest, BrandedExitGoesThroughTheWrapperWhichEndsTheProcess) {
    prepareSettings({{"Alice", {}}});
    CleanableWrapper wrapper;
    open(BaseRLApp::APP_TYPE_ROAMBAY, nullptr, &wrapper);
    window->setLocation(15, 316);
    EXPECT_EQ(window->getComposite()->getLocation(), (tk::Point{15, 319}));

    window->cleanUp(true);
    EXPECT_EQ(wrapper.cleanUps, 1);
    EXPECT_TRUE(endStatuses.empty()) << "the wrapper only was told";

    wrapper.window = window.get();
    tk::MenuItem* exitItem = window->getMenu()->getItem(0)->getMenu()->getItems().back();
    ASSERT_TRUE(driver.choose(*exitItem));
    EXPECT_EQ(wrapper.cleanUps, 2);
    EXPECT_EQ(endStatuses, (std::vector<int>{0}));
}

TEST_F(WindowCleanUpTest, BackupCopiesTheSavedSettingsWhereTheUserChooses) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    const std::string target = dir.file("elsewhere.settings");
    driver.answer(tk::DialogAnswer::file(target));
    window->event_mniSetupBackup();
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    const tk::ShownDialog& chooser = driver.shownDialogs()[0];
    EXPECT_EQ(chooser.kind, tk::DialogKind::FileDialog);
    EXPECT_EQ(chooser.title, "Backup Users, Accounts, & Options");
    EXPECT_EQ(chooser.filterPath, dir.path());
    EXPECT_EQ(chooser.fileName, "Roamledger-Backup-" + foundation::MiscUtil::getCurrentDateString() + ".settings");
    EXPECT_EQ(chooser.filterExtensions, (std::vector<std::string>{"*.settings"}));
    EXPECT_EQ(chooser.style & tk::SAVE, tk::SAVE);
    ASSERT_TRUE(fileExists(target));
    EXPECT_EQ(readFile(target), readFile(dir.file("Roamledger.settings")));
    EXPECT_TRUE(storedSettings().count("DurationLastLaunch"));
    EXPECT_TRUE(logged("Backing up settings to: " + target));

    // Cancelled: nothing more.
    driver.clearShownDialogs();
    driver.answer(tk::DialogAnswer::file(std::nullopt));
    window->event_mniSetupBackup();
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
}

TEST_F(WindowCleanUpTest, ABackupOntoTheLiveSettingsFileIsRefusedWithTheNoBackupBox) {
    prepareSettings({{"Alice", {{"American", "alice1", "pw", "", std::string("1500")}}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN).show();
    const std::string live = dir.file("Roamledger.settings");
    const std::string before = readFile(live);
    ::symlink(live.c_str(), dir.file("link.settings").c_str());

    for (const std::string& chosen : {live, dir.file("link.settings")}) {
        driver.clearShownDialogs();
        driver.answer(tk::DialogAnswer::file(chosen));
        driver.answerButton(tk::OK);
        window->event_mniSetupBackup();
        ASSERT_EQ(driver.shownDialogs().size(), 2u) << chosen;
        const tk::ShownDialog& box = driver.shownDialogs()[1];
        EXPECT_EQ(box.title, "Roamledger - Unable to Backup Settings");
        EXPECT_EQ(box.style, tk::ICON_ERROR | tk::OK);
        const std::string start = "Unable to backup settings from " + live + " to " + chosen + ". Check that " +
                                  chosen + " is not open or read-only.\r\n\r\nGory details if necessary for support:" +
                                  "\r\n\r\n";
        EXPECT_EQ(box.message.substr(0, start.size()), start);
        EXPECT_NE(box.message.find("same file"), std::string::npos);
        EXPECT_TRUE(logged("Backup of settings could not be created at " + chosen));
    }
    // The live file is whole: the same accounts, only the run's statistics
    // were saved into it.
    std::map<std::string, std::string> table;
    tracker::PropertiesPrefPersist::parseProperties(readFile(live), table);
    EXPECT_EQ(table["User0AmericanUsername"], "alice1");
    EXPECT_EQ(table["User0AmericanBalance"], "1500");
    EXPECT_GT(readFile(live).size(), before.size() / 2);
}

class CountingUpgrader : public tracker::ui::IUpgrader {
public:
    explicit CountingUpgrader(int& count) : m_count(count) {}
    void go() override { ++m_count; }

private:
    int& m_count;
};

class UpgradingWindow : public BaseRLApp {
public:
    std::shared_ptr<tracker::ui::IUpgrader> getUpgraderInstance(tracker::ui::ICleanable* cleanable) override {
        cleanables.push_back(cleanable);
        return std::make_shared<CountingUpgrader>(checks);
    }
    int checks = 0;
    std::vector<tracker::ui::ICleanable*> cleanables;
};

TEST_F(WindowCleanUpTest, AnEditionsUpgraderRunsAtMostTwicePerRun) {
    adapters.add("American", [](ScriptedSource& s) { s.registerBalance("1"); });
    prepareSettings({{"Alice", {{"American", "a", "pw", "", std::string("5")}}}});
    CleanableWrapper wrapper;
    auto owned = std::make_unique<UpgradingWindow>();
    UpgradingWindow* app = owned.get();
    open(BaseRLApp::APP_TYPE_BRTW, std::move(owned), &wrapper);
    EXPECT_EQ(app->checks, 1);
    EXPECT_EQ(app->cleanables, (std::vector<tracker::ui::ICleanable*>{&wrapper}));
    for (int run = 0; run < 2; ++run) {
        window->updateBalances(std::nullopt, 0);
        ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
        settle();
    }
    EXPECT_EQ(app->checks, 2);
    EXPECT_EQ(window->getNumUpgradeChecks(), 2);
}

TEST_F(WindowCleanUpTest, ThePortalEditionMakesNoUpgradeCheckOfItsOwn) {
    prepareSettings({{"Alice", {}}});
    auto owned = std::make_unique<UpgradingWindow>();
    UpgradingWindow* app = owned.get();
    open(BaseRLApp::APP_TYPE_LANTERNBAY, std::move(owned));
    window->updateBalances(std::nullopt, 0);
    ASSERT_TRUE(window->getEngine()->join(rltest::scaled(10000)));
    settle();
    EXPECT_EQ(app->checks, 0);
}

TEST_F(WindowCleanUpTest, TheRealEndOfTheProcessHasStatusZero) {
    // The child is a fork of this test: it ends in the same folder.
    adapters.add("American", [](ScriptedSource& s) {
        ScriptedSource::waitForStop();
        s.registerBalance("2");
    });
    prepareSettings({{"Alice", {{"American", "a", "pw", "", std::string("5")}}}});
    EXPECT_EXIT(
        {
            BaseRLApp::setProcessEnd(nullptr);
            open(BaseRLApp::APP_TYPE_FARHAVEN).show();
            window->updateBalances(std::nullopt, 0);
            waitFor([] { return RLPreferences::getCurrentBalance(0, "American") == RLPreferences::DISPLAY_PENDING; });
            window->event_mniFileExit();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    // The child saved what the clean-up saves.
    std::map<std::string, std::string> table;
    tracker::PropertiesPrefPersist::parseProperties(readFile(dir.file("Roamledger.settings")), table);
    EXPECT_TRUE(table.count("OptWindowX"));
}

}  // namespace
