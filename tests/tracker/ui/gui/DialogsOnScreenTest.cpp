// The dialogs of the tracker window on real windows (the Qt backend, under
// xvfb-run): each opens from the window's menu, every control stands on the
// screen exactly where the dialog placed it, and a picture of each is taken.
// With RL_DIALOG_SCREENSHOTS naming a folder, the pictures are also left
// there for a person to look at.

#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/toolkit/TestDriver.h"
#include "tests/platform/toolkit/qt/QtTestSupport.h"
#include "tests/support/TempWorkDir.h"
#include "tests/support/Wait.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/ui/AboutDialog.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/BugReportDialog.h"
#include "tracker/ui/OptionsDialog.h"
#include "tracker/ui/SetupDialog.h"

namespace {

using tracker::RLPreferences;
using tracker::ui::BaseDialog;
using tracker::ui::BaseRLApp;

class DialogsOnScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        RL_REQUIRE_DISPLAY();
        BaseRLApp::setProcessEnd([](int) {});
        RLPreferences::setStatsReporter(
            [](const std::string&, const std::string&, const std::optional<std::string>&, int) {});
        display = std::make_unique<tk::Display>("qt");
        driver = std::make_unique<tk::TestDriver>(*display);
        // Boxes and choosers answer from the script, not from a person.
        driver->scriptDialogs(true);
        window = std::make_unique<BaseRLApp>();
        window->init(BaseRLApp::APP_TYPE_FARHAVEN, display.get(), nullptr, tk::SHELL_TRIM, true, true, "", nullptr);
        ASSERT_NE(window->getComposite(), nullptr);
        window->show();
        ASSERT_TRUE(waitUntil("the window on the screen", [&] {
            QWidget* native = tk::qt::nativeWidget(*window->getComposite()->getShell());
            return native->isVisible() && native->windowHandle() != nullptr && native->windowHandle()->isExposed();
        }));
    }

    void TearDown() override {
        window.reset();
        driver.reset();
        display.reset();
        BaseRLApp::setProcessEnd(nullptr);
        RLPreferences::setStatsReporter(nullptr);
        BaseRLApp::setAppType(BaseRLApp::APP_TYPE_LANTERNBAY);
    }

    ::testing::AssertionResult waitUntil(const std::string& what, const std::function<bool()>& done) {
        return rltest::waitUntil(what, done, rltest::WAIT_MS, rltest::pumping(*display));
    }

    template <class D>
    D& openFrom(tk::MenuItem& item) {
        if (!driver->choose(item)) throw std::runtime_error("the menu item cannot be chosen");
        auto dialogs = window->getDialogs();
        auto* dialog = dialogs.empty() ? nullptr : dynamic_cast<D*>(dialogs.back());
        if (!dialog) throw std::runtime_error("the dialog did not open");
        auto shown = waitUntil("the dialog on the screen", [&] {
            QWidget* native = tk::qt::nativeWidget(*dialog->getShell());
            return native->isVisible() && native->windowHandle() != nullptr && native->windowHandle()->isExposed();
        });
        if (!shown) throw std::runtime_error(shown.message());
        return *dialog;
    }

    tk::MenuItem& helpItem(int index) {
        tk::MenuItem* help = window->getMenu()->getItems().back();
        return *help->getMenu()->getItems().at(static_cast<size_t>(index));
    }

    // Every visible control under parent stands where the toolkit says.
    int expectPlacedAsSaid(tk::Composite& parent) {
        int checked = 0;
        for (tk::Control* child : parent.getChildren()) {
            if (!child->getVisible()) continue;
            QWidget* native = tk::qt::nativeWidget(*child);
            if (!native) continue;
            const tk::Rectangle bounds = child->getBounds();
            EXPECT_EQ(native->geometry(), QRect(bounds.x, bounds.y, bounds.width, bounds.height))
                << typeid(*child).name() << " at " << bounds.x << "," << bounds.y;
            ++checked;
            if (auto* composite = dynamic_cast<tk::Composite*>(child)) checked += expectPlacedAsSaid(*composite);
        }
        return checked;
    }

    // A picture of the dialog, taken again until it has more than atLeast
    // colours (drawing lags behind showing); answers the number of colours.
    int picture(const BaseDialog& dialog, const std::string& name, int atLeast) {
        const std::string path = dir.file(name + ".png");
        int colours = 0;
        EXPECT_TRUE(waitUntil("a picture of " + name + " with more than " + std::to_string(atLeast) + " colours", [&] {
            colours = tk::qt::saveScreenshot(*dialog.getShell(), path) ? rltest::qt::keepPicture(path, name) : 0;
            return colours > atLeast;
        }));
        return colours;
    }

    void closeBox(BaseDialog& dialog) {
        ASSERT_TRUE(driver->closeBox(*dialog.getShell()));
        // The window drops the dialog once its shell's disposal has run, which
        // a busy machine may take a while to get to.
        EXPECT_TRUE(waitUntil("the window to drop the dialog", [&] { return window->getDialogs().empty(); }));
    }

    rltest::TempWorkDir dir;
    std::unique_ptr<tk::Display> display;
    std::unique_ptr<tk::TestDriver> driver;
    std::unique_ptr<BaseRLApp> window;
};

TEST_F(DialogsOnScreenTest, OptionsStandsWhereItsControlsArePlaced) {
    auto& d = openFrom<tracker::ui::OptionsDialog>(*window->getOptionsMenuItem());
    tk::Shell& shell = *d.getShell();
    QWidget* native = tk::qt::nativeWidget(shell);
    EXPECT_EQ(native->windowTitle().toStdString(), "Roamledger - Options");
    EXPECT_TRUE(native->isModal() || native->windowModality() == Qt::ApplicationModal);
    // Every control of every tab, the tab shown as a user would show it.
    int placed = expectPlacedAsSaid(shell);
    const char* const tabs[] = {"options-display", "options-network", "options-advanced"};
    for (int tab = 0; tab < 3; ++tab) {
        d.getTabFolder()->setSelection(tab);
        auto* page = static_cast<tk::Composite*>(d.getTabFolder()->getItem(tab)->getControl());
        EXPECT_TRUE(waitUntil(std::string("the tab ") + tabs[tab], [&] { return tk::qt::nativeWidget(*page)->isVisible(); }));
        if (tab != 0) placed += expectPlacedAsSaid(*page);
        EXPECT_GT(picture(d, tabs[tab], 20), 20) << tabs[tab];
    }
    // Note, buttons and folder; the Display tab with seven check boxes, two
    // spin boxes (each with its field), nine labels and three colour
    // buttons (the forum boxes are not in this edition); six scales, six
    // labels and a button; a check box, a spin box and two labels.
    EXPECT_EQ(placed, 5 + 1 + 23 + 13 + 5);
    closeBox(d);
}

TEST_F(DialogsOnScreenTest, TheContactFormAndTheAboutBoxOpenFromTheHelpMenu) {
    auto& form = openFrom<tracker::ui::BugReportDialog>(helpItem(2));
    EXPECT_EQ(tk::qt::nativeWidget(*form.getShell())->windowTitle().toStdString(),
              "Roamledger - Contact Us, Report a Problem, Request a Feature");
    EXPECT_GE(expectPlacedAsSaid(*form.getShell()), 11);
    form.getDescriptionField()->setText("Shown on a real window: Grüße & 5 €");
    EXPECT_GT(picture(form, "contact-form", 20), 20);
    ASSERT_TRUE(driver->click(*form.getCancelButton()));
    EXPECT_TRUE(waitUntil("the contact form to close", [&] { return window->getDialogs().empty(); }));

    auto& about = openFrom<tracker::ui::AboutDialog>(helpItem(3));
    EXPECT_EQ(tk::qt::nativeWidget(*about.getShell())->windowTitle().toStdString(), "About Roamledger");
    EXPECT_EQ(expectPlacedAsSaid(*about.getShell()), 6);
    EXPECT_GT(picture(about, "about", 10), 10);
    ASSERT_TRUE(driver->click(*about.getOKButton()));
    EXPECT_TRUE(waitUntil("the about box to close", [&] { return window->getDialogs().empty(); }));
}

TEST_F(DialogsOnScreenTest, UsersAndAccountsStandsWhereItsControlsArePlaced) {
    auto& d = openFrom<tracker::ui::SetupDialog>(*window->getSetupMenuItem());
    EXPECT_EQ(window->getSetupDialog().get(), &d);
    tk::Shell& shell = *d.getShell();
    QWidget* native = tk::qt::nativeWidget(shell);
    EXPECT_EQ(native->windowTitle().toStdString(), "Roamledger - Users & Accounts");
    EXPECT_TRUE(native->isModal() || native->windowModality() == Qt::ApplicationModal);

    // The Users tab: folder, Done, the list, three buttons.
    EXPECT_EQ(expectPlacedAsSaid(shell), 2 + 1 + 4);
    EXPECT_GT(picture(d, "users-and-accounts-users", 20), 20);

    // The Accounts tab with a login typed, as the user shows it.
    const int american = d.getAccountList()->indexOf("American Airlines AAdvantage");
    ASSERT_TRUE(driver->select(*d.getMainFolder(), tracker::ui::SetupDialog::MAIN_ACCOUNTS_TAB));
    ASSERT_TRUE(driver->select(*d.getAccountList(), american));
    ASSERT_TRUE(driver->replaceText(*d.getUsernameField(), "AB12345"));
    ASSERT_TRUE(driver->replaceText(*d.getPasswordField(), "secret12"));
    // The driver acts as the window system would report it; the native
    // widgets are told too, for the picture.
    d.getMainFolder()->setSelection(tracker::ui::SetupDialog::MAIN_ACCOUNTS_TAB);
    d.getAccountList()->select(american);
    d.getUsernameField()->setText("AB12345");
    d.getPasswordField()->setText("secret12");
    EXPECT_TRUE(waitUntil("the accounts panel", [&] { return tk::qt::nativeWidget(*d.getAccountPanel())->isVisible(); }));
    // The accounts panel, its folder and the shared panel; a list, five
    // labels, two fields (the second credential is hidden) and a button.
    EXPECT_EQ(expectPlacedAsSaid(*d.getMainFolder()), 3 + 1 + 5 + 2 + 1);
    EXPECT_EQ(d.getPasswordField()->getEchoChar(), '*');
    EXPECT_GT(picture(d, "users-and-accounts-accounts", 20), 20);

    // The close box keeps nothing of the login shown.
    closeBox(d);
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "");
    EXPECT_EQ(window->getSetupDialog(), nullptr);
}

}  // namespace
