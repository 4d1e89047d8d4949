// The tracker window of each edition as a user sees it: containers, layout
// on resize, buttons, menus with their accelerators, titles, the stored
// geometry of the Farhaven window and the pages shown at start.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include <thread>

#include "foundation/EnvUtil.h"
#include "platform/toolkit/Shell.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/ui/BaseDialog.h"
#include "tracker/ui/RLAppLanternbay.h"

namespace {

using namespace rltest;
using tracker::ui::BaseRLApp;

class WindowLayoutTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        adapters.add("American", nullptr);
        prepareSettings({{"Alice", {{"American", "alice1", "pw", "", std::string("1500")}}}});
    }

    // The window's controls for a client area, as the layout rules place
    // them.
    void expectLayout(int panelWidth, int panelHeight) {
        const tk::Rectangle area = window->getComposite()->getClientArea();
        const int w = area.width;
        const int h = area.height;
        EXPECT_EQ(window->getProgressBar()->getBounds(), (tk::Rectangle{0, h - 16, w, 16}));
        EXPECT_EQ(window->getBrowser()->getLocation(), (tk::Point{3, 3}));
        if (panelWidth == 0) {
            EXPECT_EQ(window->getButtons(), nullptr);
            EXPECT_EQ(window->getBrowser()->getSize(), (tk::Point{w - 6, h - 16 - 9}));
            return;
        }
        ASSERT_NE(window->getButtons(), nullptr);
        EXPECT_EQ(window->getButtons()->getBounds(),
                  (tk::Rectangle{(w - panelWidth) / 2, h - panelHeight - 16 - 6, panelWidth, panelHeight}));
        EXPECT_EQ(window->getBrowser()->getSize(), (tk::Point{w - 6, h - panelHeight - 16 - 9}));
    }

    std::vector<std::string> menuTexts() {
        std::vector<std::string> out;
        for (tk::MenuItem* top : window->getMenu()->getItems()) {
            out.push_back(top->getText());
            for (tk::MenuItem* item : top->getMenu()->getItems()) {
                out.push_back("  " + ((item->getStyle() & tk::SEPARATOR) ? std::string("-") : item->getText()));
            }
        }
        return out;
    }
};

TEST_F(WindowLayoutTest, FarhavenHasItsOwnShellWithButtonsAndFollowsResizes) {
    BaseRLApp& app = open(BaseRLApp::APP_TYPE_FARHAVEN);
    window->show();
    auto* shell = dynamic_cast<tk::Shell*>(app.getComposite());
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(BaseRLApp::getShell(), shell);
    EXPECT_EQ(app.getMenuAndDialogShell(), shell);
    EXPECT_EQ(shell->getMenuBar(), app.getMenu());
    EXPECT_EQ(shell->getText(), "Roamledger - www.roamledger.example");
    EXPECT_TRUE(shell->getVisible());
    expectLayout(272, 72);

    ASSERT_TRUE(driver.resizeByUser(*shell, 900, 700));
    expectLayout(272, 72);
    // Smaller than the buttons: the rules' negative values go to the toolkit
    // as they are.
    ASSERT_TRUE(driver.resizeByUser(*shell, 150, 120));
    const tk::Rectangle area = shell->getClientArea();
    EXPECT_EQ(app.getButtons()->getLocation().x, (area.width - 272) / 2);
    EXPECT_LT(app.getButtons()->getLocation().x, 0);
    EXPECT_EQ(app.getBrowser()->getSize().y, std::max(0, area.height - 72 - 16 - 9));

    // Buttons of this edition: four, 124 x 24.
    EXPECT_EQ(app.getSetupButton()->getBounds(), (tk::Rectangle{8, 12, 124, 24}));
    EXPECT_EQ(app.getOptionsButton()->getBounds(), (tk::Rectangle{8, 40, 124, 24}));
    EXPECT_EQ(app.getUpdateButton()->getBounds(), (tk::Rectangle{140, 12, 124, 24}));
    ASSERT_NE(app.getBugButton(), nullptr);
    EXPECT_EQ(app.getBugButton()->getBounds(), (tk::Rectangle{140, 40, 124, 24}));
    EXPECT_EQ(app.getSetupButton()->getText(), "Users && Accounts");
    EXPECT_EQ(app.getOptionsButton()->getText(), "Options");
    EXPECT_EQ(app.getUpdateButton()->getText(), "Retrieve All Accounts");
    EXPECT_EQ(app.getBugButton()->getText(), "Contact Us");
    EXPECT_EQ(app.getUpdateButton()->getFont().getFontData().style & tk::BOLD, tk::BOLD);
    EXPECT_EQ(app.getSetupButton()->getFont().getFontData().style & tk::BOLD, 0);
}

TEST_F(WindowLayoutTest, PortalEditionIsATrimlessShellOverItsHost) {
    auto lanternbay = std::make_unique<tracker::ui::RLAppLanternbay>(nullptr, nullptr, 581, 500, 133, 20, "");
    // Without a host the window cannot be built; the failure is logged.
    EXPECT_TRUE(logged("Could not initialize app"));
    lanternbay.reset();

    host = tk::make<tk::Shell>(&display, tk::SHELL_TRIM);
    host->setBounds(50, 60, 1000, 800);
    host->open();
    window = std::make_unique<tracker::ui::RLAppLanternbay>(&display, host.get(), 581, 500, 133, 20, "guid-1");
    auto* own = dynamic_cast<tk::Shell*>(window->getComposite());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->getParentShell(), host.get());
    EXPECT_EQ(own->getStyle() & tk::NO_TRIM, tk::NO_TRIM);
    EXPECT_EQ(own->getText(), "Lanternbay");
    EXPECT_EQ(own->getBounds(), (tk::Rectangle{50 + 133, 60 + 20, 581, 500}));
    EXPECT_TRUE(own->getVisible());
    EXPECT_EQ(BaseRLApp::getShell(), host.get());
    EXPECT_EQ(BaseRLApp::getParentUUID(), "guid-1");
    EXPECT_EQ(window->getMenuAndDialogShell(), own);
    EXPECT_EQ(own->getMenuBar(), window->getMenu());
    expectLayout(428, 44);
    EXPECT_EQ(window->getSetupButton()->getBounds(), (tk::Rectangle{8, 12, 132, 24}));
    EXPECT_EQ(window->getOptionsButton()->getBounds(), (tk::Rectangle{148, 12, 132, 24}));
    EXPECT_EQ(window->getUpdateButton()->getBounds(), (tk::Rectangle{288, 12, 132, 24}));
    EXPECT_EQ(window->getBugButton(), nullptr);

    window->setSize(600, 300);
    expectLayout(428, 44);
    // The portal shows the results page at start and writes the
    // abbreviations page.
    settle();
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    EXPECT_TRUE(fileExists(dir.file("Roamledger-Abbr.html")));
}

TEST_F(WindowLayoutTest, BrandedEditionsArePanelsWithoutButtons) {
    for (int type : {BaseRLApp::APP_TYPE_BRTW, BaseRLApp::APP_TYPE_ROAMBAY}) {
        SCOPED_TRACE(type);
        BaseRLApp& app = open(type);
        EXPECT_EQ(dynamic_cast<tk::Shell*>(app.getComposite()), nullptr);
        EXPECT_EQ(app.getComposite()->getParent(), host.get());
        EXPECT_EQ(app.getComposite()->getStyle() & tk::BORDER, 0);
        EXPECT_EQ(app.getBrowser()->getStyle() & tk::BORDER, tk::BORDER);
        EXPECT_EQ(app.getMenuAndDialogShell(), host.get());
        EXPECT_EQ(host->getMenuBar(), app.getMenu());
        EXPECT_EQ(app.getUpdateButton(), nullptr);
        app.setSize(700, 400);
        expectLayout(0, 0);
        app.setLocation(15, 316);
        EXPECT_EQ(app.getComposite()->getLocation(), (tk::Point{15, 316}));

        // Only the Options item follows the running state here.
        app.enableSetupAndOptions(false);
        EXPECT_FALSE(app.getOptionsMenuItem()->getEnabled());
        EXPECT_TRUE(app.getSetupMenuItem()->getEnabled());
        app.enableSetupAndOptions(true);
        EXPECT_TRUE(app.getOptionsMenuItem()->getEnabled());

        // Branded editions build the pages but leave the showing to their
        // wrapper, and write the abbreviations page.
        settle();
        EXPECT_EQ(browserRecord().url, "");
        EXPECT_TRUE(fileExists(dir.file("Roamledger.html")));
        EXPECT_TRUE(fileExists(dir.file("Roamledger-Abbr.html")));
        window.reset();
        EXPECT_EQ(BaseRLApp::getShell(), host.get());
        host->dispose();
        // A shell that is gone is not reachable through the statics.
        EXPECT_EQ(BaseRLApp::getShell(), nullptr);
        std::remove(dir.file("Roamledger-Abbr.html").c_str());
    }
}

TEST_F(WindowLayoutTest, MenusCarryTheirTextsAndAccelerators) {
    BaseRLApp& app = open(BaseRLApp::APP_TYPE_FARHAVEN);
    app.show();
    EXPECT_EQ(menuTexts(), (std::vector<std::string>{
                               "&File",
                               "  &Save as HTML...\tCtrl+S",
                               "  -",
                               "  Pa&ge Setup...\tCtrl+G",
                               "  &Print...\tCtrl+P",
                               "  Pri&nt Preview...\tCtrl+N",
                               "  -",
                               "  E&xit\tCtrl+Q",
                               "&Setup",
                               "  &Users && Accounts\tCtrl+U",
                               "  Op&tions\tCtrl+T",
                               "  -",
                               "  &Backup Users, Accounts, && Options...\tCtrl+B",
                               "&Help",
                               "  Fr&equently Asked Questions (Web)\tCtrl+E",
                               "  &Website\tCtrl+W",
                               "  Contact Us, &Report a Problem, Request a Feature...\tCtrl+R",
                               "  Ab&out\tCtrl+O",
                           }));
    auto* shell = static_cast<tk::Shell*>(app.getComposite());
    // The browser commands prompt the user.
    settle();
    for (auto [letter, command] : {std::pair{'S', 4}, {'G', 8}, {'P', 6}, {'N', 7}}) {
        ASSERT_TRUE(driver.pressAccelerator(*shell, tk::CTRL | letter)) << letter;
        const auto& commands = browserRecord().log;
        EXPECT_EQ(commands.back(), "command " + std::to_string(command) + " 1") << letter;
    }
    // The two web pages of the Help menu open in the user's browser.
    ASSERT_TRUE(driver.pressAccelerator(*shell, tk::CTRL | 'E'));
    ASSERT_TRUE(driver.pressAccelerator(*shell, tk::CTRL | 'W'));
    auto urls = opened.waitFor(2);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{"https://www.roamledger.example/",
                                              "https://www.roamledger.example/support/"}));
    // The items and buttons open their dialogs, each modal until it is
    // closed and dropped once it is.
    auto opensDialog = [&](const std::function<bool()>& act, const std::string& title) {
        ASSERT_TRUE(act()) << title;
        ASSERT_EQ(app.getDialogs().size(), 1u) << title;
        tk::Shell* dialog = app.getDialogs()[0]->getShell();
        EXPECT_EQ(dialog->getText(), title);
        EXPECT_TRUE(dialog->getVisible());
        EXPECT_FALSE(act()) << "the window is blocked while " << title << " is open";
        ASSERT_TRUE(driver.closeBox(*dialog));
        settle();
        EXPECT_TRUE(app.getDialogs().empty()) << title;
    };
    const std::string setup = "Roamledger - Users & Accounts";
    opensDialog([&] { return driver.pressAccelerator(*shell, tk::CTRL | 'U'); }, setup);
    opensDialog([&] { return driver.click(*app.getSetupButton()); }, setup);
    const std::string options = "Roamledger - Options";
    const std::string contact = "Roamledger - Contact Us, Report a Problem, Request a Feature";
    opensDialog([&] { return driver.pressAccelerator(*shell, tk::CTRL | 'T'); }, options);
    opensDialog([&] { return driver.pressAccelerator(*shell, tk::CTRL | 'R'); }, contact);
    opensDialog([&] { return driver.pressAccelerator(*shell, tk::CTRL | 'O'); }, "About Roamledger");
    opensDialog([&] { return driver.click(*app.getOptionsButton()); }, options);
    opensDialog([&] { return driver.click(*app.getBugButton()); }, contact);
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_TRUE(endStatuses.empty());
}

TEST_F(WindowLayoutTest, FarhavenTakesItsStoredBoundsOrCentresItself) {
    tracker::BasePreferences::setStringPreference("OptWindowX", "150");
    tracker::BasePreferences::setStringPreference("OptWindowY", "300");
    tracker::BasePreferences::setStringPreference("OptWindowWidth", "9000");
    tracker::BasePreferences::setStringPreference("OptWindowHeight", "7200");
    RLPreferences::savePrefs();
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    EXPECT_EQ(window->getComposite()->getBounds(), (tk::Rectangle{10, 20, 600, 480}));
    window.reset();

    tracker::BasePreferences::setStringPreference("OptWindowX", "0");
    tracker::BasePreferences::setStringPreference("OptWindowY", "0");
    RLPreferences::savePrefs();
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    const tk::Rectangle screen = display.getBounds();
    EXPECT_EQ(window->getComposite()->getBounds(),
              (tk::Rectangle{(screen.width - 600) / 2, (screen.height - 480) / 2, 600, 480}));
}

TEST_F(WindowLayoutTest, StartShowsTheResultsPageWithTheAccountsOfTheSettings) {
    writeFile(dir.file("Roamledger.ico"), readFile(sourceDir() + "/resources/images/Roamledger.ico"));
    BaseRLApp& app = open(BaseRLApp::APP_TYPE_FARHAVEN);
    app.show();
    settle();
    EXPECT_EQ(BaseRLApp::getAppType(), BaseRLApp::APP_TYPE_FARHAVEN);
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    EXPECT_TRUE(browserRecord().found);
    EXPECT_NE(browserRecord().text.find("Alice"), std::string::npos);
    EXPECT_NE(browserRecord().text.find("1,500"), std::string::npos);
    for (const char* name : {"Roamledger.css", "Roamledger.js", "Roamledger-Summary.html"}) {
        EXPECT_TRUE(fileExists(dir.file(name))) << name;
    }
    // The Farhaven edition writes no in-progress page and no abbreviations
    // page at start.
    EXPECT_FALSE(fileExists(dir.file("Roamledger-Interstitial.html")));
    EXPECT_FALSE(fileExists(dir.file("Roamledger-Abbr.html")));
    ASSERT_NE(app.getIcon(), nullptr);
    EXPECT_EQ(static_cast<tk::Shell*>(app.getComposite())->getImage(), app.getIcon());
    EXPECT_EQ(launchReports.load(), 1);
    EXPECT_EQ(app.getProgressBar()->getMaximum(), 1);
    EXPECT_EQ(app.getProgressBar()->getSelection(), 0);
    EXPECT_TRUE(logged("Launched"));
    EXPECT_EQ(foundation::Logger::getLogFilePath(), "Roamledger.log");
    // The results folder in both spellings the pages' addresses use.
    EXPECT_EQ(app.getResultsDir(), dir.path() + "/");
    EXPECT_NE(fileUrl("Roamledger.html").find(app.getResultsDirAlt()), std::string::npos);
}

TEST_F(WindowLayoutTest, ReportsLearnTheScreenAndTitleBarFromTheWindow) {
    tk::headless::Screen screen;
    screen.bounds = {0, 0, 1600, 1200};
    screen.titleBarHeight = 30;
    tk::headless::setScreen(display, screen);
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    EXPECT_EQ(foundation::EnvUtil::getResolution(), "1600x1200");
    EXPECT_EQ(foundation::EnvUtil::getTitleBarHeight(), 30);
    // Other threads get the window's last look.
    std::string resolution;
    int titleBar = 0;
    std::thread reporter([&] {
        resolution = foundation::EnvUtil::getResolution();
        titleBar = foundation::EnvUtil::getTitleBarHeight();
    });
    reporter.join();
    EXPECT_EQ(resolution, "1600x1200");
    EXPECT_EQ(titleBar, 30);
    // The headless backend has no web engine to name.
    EXPECT_EQ(foundation::EnvUtil::getIEVersion(), "Unknown");
}

TEST_F(WindowLayoutTest, AMissingIconDoesNotStopTheWindow) {
    BaseRLApp& app = open(BaseRLApp::APP_TYPE_FARHAVEN);
    EXPECT_EQ(app.getIcon(), nullptr);
    EXPECT_TRUE(logged("Unable to load icon Roamledger.ico"));
    EXPECT_FALSE(logged("Could not initialize app"));
    EXPECT_NE(app.getProgressBar(), nullptr);
}

TEST_F(WindowLayoutTest, AFirstStartWithoutSettingsOpensWithTheDefaultUser) {
    std::remove(dir.file("Roamledger.settings").c_str());
    BaseRLApp& app = open(BaseRLApp::APP_TYPE_FARHAVEN);
    app.show();
    settle();
    EXPECT_TRUE(driver.shownDialogs().empty());
    EXPECT_EQ(RLPreferences::getUserCount(), 1);
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Main User");
    EXPECT_EQ(browserRecord().url, fileUrl("Roamledger.html"));
    EXPECT_FALSE(logged("Could not initialize app"));
}

}  // namespace
