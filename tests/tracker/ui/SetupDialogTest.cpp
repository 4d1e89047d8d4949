// The Users & Accounts dialog driven as a user drives it from the tracker
// window: adding, renaming and removing users through the small dialogs,
// typing logins for several programs and users and moving between them,
// refused half-filled logins, clearing an account, Done and the close box.
// After each step that writes the settings file, the file is read back
// (passwords deciphered) and compared whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/BlowfishEasy.h"
#include "foundation/StrUtil.h"
#include "platform/toolkit/Toolkit.h"
#include "tests/tracker/ui/WindowFixture.h"
#include "tracker/core/History.h"
#include "tracker/core/HistoryEntry.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/IWrapper.h"
#include "tracker/ui/SetupDialog.h"
#include "tracker/ui/SetupDialogAddUser.h"
#include "tracker/ui/SetupDialogRenameUser.h"

namespace {

using namespace rltest;
using tracker::ui::BaseRLApp;
using tracker::ui::SetupDialog;
using tracker::ui::SetupDialogAddUser;
using tracker::ui::SetupDialogRenameUser;
using tracker::ui::UserNameDialog;
using Settings = std::map<std::string, std::string>;

constexpr int USERS = SetupDialog::MAIN_USERS_TAB;
constexpr int ACCOUNTS = SetupDialog::MAIN_ACCOUNTS_TAB;

std::string programName(const std::string& key) { return RLPreferences::getConfig(key)->getDisplay(); }

class SetupDialogTest : public WindowFixture {
protected:
    void TearDown() override {
        SetupDialog::cleanUp();
        WindowFixture::TearDown();
    }

    // The dialog the window's Users & Accounts button opened.
    SetupDialog& openSetup() {
        if (!driver.click(*window->getSetupButton())) throw std::runtime_error("Users & Accounts cannot be pressed");
        auto* dialog = window->getSetupDialog().get();
        if (!dialog || !dialog->getShell() || !dialog->getShell()->getVisible()) {
            throw std::runtime_error("no Users & Accounts dialog");
        }
        return *dialog;
    }

    void showTab(SetupDialog& d, int tab) { ASSERT_TRUE(driver.select(*d.getMainFolder(), tab)); }
    void chooseProgram(SetupDialog& d, const std::string& key) {
        ASSERT_TRUE(driver.select(*d.getAccountList(), programRow(key))) << key;
    }
    void chooseUserTab(SetupDialog& d, int user) { ASSERT_TRUE(driver.select(*d.getAccountsFolder(), user)); }

    void typeLogin(SetupDialog& d, const std::string& user, const std::string& password,
                   const std::string& password2 = "") {
        ASSERT_TRUE(driver.replaceText(*d.getUsernameField(), user));
        if (d.getPasswordField()->getVisible()) {
            ASSERT_TRUE(driver.replaceText(*d.getPasswordField(), password));
        }
        if (d.getPassword2Field()->getVisible()) {
            ASSERT_TRUE(driver.replaceText(*d.getPassword2Field(), password2));
        }
    }

    static std::vector<std::string> fields(const SetupDialog& d) {
        return {d.getUsernameField()->getText(), d.getPasswordField()->getText(), d.getPassword2Field()->getText()};
    }

    template <class D>
    D& openNameDialog(SetupDialog& d, tk::Button& button) {
        if (!driver.click(button)) throw std::runtime_error("the button cannot be pressed");
        auto* small = dynamic_cast<D*>(d.getNameDialog());
        if (!small || small->getShell()->isDisposed()) throw std::runtime_error("no name dialog");
        return *small;
    }

    // Types a name into the small dialog and presses its default button;
    // answers whether the dialog closed.
    bool submit(UserNameDialog& small, const std::string& name) {
        EXPECT_TRUE(driver.replaceText(*small.getNameField(), name));
        EXPECT_TRUE(driver.click(*small.getOKButton()));
        return small.getShell()->isDisposed();
    }

    void addUser(SetupDialog& d, const std::string& name) {
        auto& small = openNameDialog<SetupDialogAddUser>(d, *d.getAddUserButton());
        ASSERT_TRUE(submit(small, name)) << name;
    }

    // The one box shown since the last look, as "title | message".
    std::string box() {
        const auto& shown = driver.shownDialogs();
        std::string out = shown.size() == 1 ? shown[0].title + " | " + shown[0].message
                                            : std::to_string(shown.size()) + " boxes";
        driver.clearShownDialogs();
        return out;
    }

    static std::vector<std::string> tabTexts(const SetupDialog& d) {
        std::vector<std::string> out;
        for (tk::TabItem* tab : d.getAccountsFolder()->getItems()) out.push_back(tab->getText());
        return out;
    }

    // The users and accounts of the settings file, passwords deciphered
    // (each checked to be stored enciphered).
    Settings storedUsers() const {
        foundation::BlowfishEasy cipher(RLPreferences::BLOWFISH_PASS_PHRASE);
        Settings out;
        for (auto [key, value] : storedSettings()) {
            if (key.rfind("User", 0) != 0) continue;
            if (key.ends_with("Password") || key.ends_with("Password2")) {
                auto plain = cipher.decryptString(value);
                EXPECT_TRUE(plain) << key;
                EXPECT_NE(value, plain.value_or("")) << key << " is stored in the clear";
                value = plain.value_or("(undecipherable)");
            }
            out[key] = value;
        }
        return out;
    }

    void expectNoPasswordLogged(const std::vector<std::string>& passwords) const {
        const std::string text = log();
        for (const auto& password : passwords) EXPECT_EQ(text.find(password), std::string::npos) << password;
    }

    tk::Control* focus() { return display.getFocusControl(); }
};

// ---------------------------------------------------------------------------
// The dialog in each edition

TEST_F(SetupDialogTest, ThePortalDialogStandsWhereItsControlsArePlaced) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    tk::Shell& shell = *d.getShell();
    EXPECT_EQ(shell.getText(), "Roamledger - Users & Accounts");
    EXPECT_EQ(shell.getSize(), (tk::Point{608, 372}));
    EXPECT_EQ(shell.getModality(), tk::APPLICATION_MODAL);
    EXPECT_EQ(shell.getStyle() & tk::RESIZE, 0);
    EXPECT_EQ(shell.getParentShell(), window->getMenuAndDialogShell());
    // Centred over the tracker's own shell, which is taller than the dialog,
    // and inside the work area.
    const tk::Rectangle parent = window->getMenuAndDialogShell()->getBounds();
    EXPECT_EQ(shell.getLocation(),
              (tk::Point{std::max(0, parent.x + (parent.width - 608) / 2), parent.y + (parent.height - 372) / 2}));

    tk::TabFolder& main = *d.getMainFolder();
    EXPECT_EQ(main.getBounds(), (tk::Rectangle{8, 8, 588, 284}));
    EXPECT_EQ(main.getTabHeight(), 22);
    EXPECT_EQ(main.getSelectionBackground(), tk::Color(0, 1, 206));
    EXPECT_EQ(main.getSelectionForeground(), tk::Color(255, 255, 255));
    EXPECT_EQ(main.getFont().getFontData().style & tk::BOLD, tk::BOLD);
    ASSERT_EQ(main.getItemCount(), 2);
    EXPECT_EQ(main.getItem(0)->getText(), " Users ");
    EXPECT_EQ(main.getItem(1)->getText(), " Accounts ");
    EXPECT_EQ(main.getSelectionIndex(), USERS);

    EXPECT_EQ(d.getUserList()->getBounds(), (tk::Rectangle{9, 16, 252, 147}));
    EXPECT_EQ(d.getAddUserButton()->getBounds(), (tk::Rectangle{316, 16, 224, 24}));
    EXPECT_EQ(d.getRenameUserButton()->getBounds(), (tk::Rectangle{316, 76, 224, 24}));
    EXPECT_EQ(d.getRemoveUserButton()->getBounds(), (tk::Rectangle{316, 136, 224, 24}));
    EXPECT_EQ(d.getAddUserButton()->getText(), "Add New User");
    EXPECT_EQ(d.getRenameUserButton()->getText(), "Rename Selected User");
    EXPECT_EQ(d.getRemoveUserButton()->getText(), "Remove Selected User");
    ASSERT_NE(d.getNoteLabel(), nullptr);
    EXPECT_EQ(d.getNoteLabel()->getBounds(), (tk::Rectangle{40, 196, 508, 52}));
    EXPECT_EQ(d.getNoteLabel()->getForeground(), display.getSystemColor(tk::COLOR_DARK_BLUE));
    EXPECT_EQ(d.getNoteLabel()->getText(),
              "IMPORTANT NOTE: All account login information entered into Roamledger or Lanternbay resides on your "
              "own computer and is not shared, bartered, or sold to any third party.");
    EXPECT_EQ(d.getDoneButton()->getBounds(), (tk::Rectangle{264, 304, 72, 24}));
    EXPECT_EQ(d.getDoneButton()->getText(), "Done");
    EXPECT_EQ(shell.getDefaultButton(), d.getDoneButton());

    // The login panel, the same under every user tab.
    EXPECT_EQ(d.getAccountList()->getBounds(), (tk::Rectangle{8, 12, 256, 210}));
    EXPECT_EQ(d.getStatusLabel()->getBounds(), (tk::Rectangle{284, 12, 272, 16}));
    EXPECT_EQ(d.getStatusLabel()->getFont().getFontData().style & tk::BOLD, tk::BOLD);
    EXPECT_EQ(d.getUsernameLabel()->getBounds(), (tk::Rectangle{284, 36, 272, 16}));
    EXPECT_EQ(d.getHintLabel()->getBounds(), (tk::Rectangle{284, 52, 272, 16}));
    EXPECT_EQ(d.getHintLabel()->getText(), "(do not use any spaces or dashes unless required)");
    EXPECT_EQ(d.getUsernameField()->getBounds(), (tk::Rectangle{284, 72, 272, 20}));
    EXPECT_EQ(d.getPasswordLabel()->getBounds(), (tk::Rectangle{284, 100, 272, 16}));
    EXPECT_EQ(d.getPasswordField()->getBounds(), (tk::Rectangle{284, 116, 272, 20}));
    EXPECT_EQ(d.getPassword2Label()->getBounds(), (tk::Rectangle{284, 144, 272, 16}));
    EXPECT_EQ(d.getPassword2Field()->getBounds(), (tk::Rectangle{284, 160, 272, 20}));
    EXPECT_EQ(d.getRemoveAccountButton()->getBounds(), (tk::Rectangle{324, 190, 188, 24}));
    EXPECT_EQ(d.getRemoveAccountButton()->getText(), "Clear Selected Account");
    EXPECT_EQ(d.getPasswordField()->getEchoChar(), '*');
    EXPECT_EQ(d.getPassword2Field()->getEchoChar(), 0);

    // Every program of the table is listed, in table order; the first
    // user's first login is shown.
    ASSERT_EQ(d.getAccountList()->getItemCount(), RLPreferences::getSourceCount());
    for (int i = 0; i < RLPreferences::getSourceCount(); ++i) {
        EXPECT_EQ(d.getAccountList()->getItem(i), RLPreferences::getConfig(i)->getDisplay());
    }
    EXPECT_EQ(d.getAccountList()->getSelectionIndex(), 0);
    EXPECT_EQ(d.getUserList()->getItems(), std::vector<std::string>{"Alice"});
    EXPECT_EQ(d.getUserList()->getSelectionIndex(), 0);
    EXPECT_EQ(tabTexts(d), std::vector<std::string>{" Alice "});
    EXPECT_EQ(d.getStatusLabel()->getText(), "Alice : " + RLPreferences::getConfig(0)->getDisplay());
    EXPECT_EQ(d.getUsernameLabel()->getText(), RLPreferences::getConfig(0)->getUsernameLabel());
    EXPECT_EQ(d.getLastUser(), 0);
    EXPECT_EQ(d.getLastAccount(), 0);
    for (tk::TabItem* tab : d.getAccountsFolder()->getItems()) EXPECT_EQ(tab->getControl(), d.getAccountPanel());

    // Modal: the tracker window cannot be used meanwhile.
    EXPECT_FALSE(driver.click(*window->getUpdateButton()));
}

TEST_F(SetupDialogTest, TheFarhavenDialogLaysItselfOutForItsSize) {
    prepareSettings({{"Alice", {}}}, {{"OptMaskPasswords", "false"}});
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    ASSERT_TRUE(driver.choose(*window->getSetupMenuItem()));
    SetupDialog* opened = window->getSetupDialog().get();
    ASSERT_NE(opened, nullptr);
    SetupDialog& d = *opened;
    tk::Shell& shell = *d.getShell();
    EXPECT_EQ(shell.getModality(), tk::APPLICATION_MODAL);
    EXPECT_NE(shell.getStyle() & tk::RESIZE, 0);
    EXPECT_EQ(shell.getSize(), (tk::Point{608, 372}));
    EXPECT_EQ(d.getNoteLabel(), nullptr);
    EXPECT_EQ(d.getPasswordField()->getEchoChar(), 0);

    EXPECT_EQ(d.getMainFolder()->getBounds(), (tk::Rectangle{8, 8, 584, 284}));
    EXPECT_EQ(d.getDoneButton()->getBounds(), (tk::Rectangle{224, 304, 160, 24}));
    EXPECT_EQ(d.getUserList()->getBounds(), (tk::Rectangle{9, 16, 252, 230}));
    EXPECT_EQ(d.getAddUserButton()->getBounds(), (tk::Rectangle{316, 56, 224, 24}));
    EXPECT_EQ(d.getRenameUserButton()->getBounds(), (tk::Rectangle{316, 116, 224, 24}));
    EXPECT_EQ(d.getRemoveUserButton()->getBounds(), (tk::Rectangle{316, 174, 224, 24}));
    EXPECT_EQ(d.getAccountList()->getBounds(), (tk::Rectangle{8, 12, 256, 210}));

    // The user makes it larger, then smaller than its first size.
    ASSERT_TRUE(driver.resizeByUser(shell, 801, 500));
    EXPECT_EQ(d.getMainFolder()->getBounds(), (tk::Rectangle{8, 8, 777, 412}));
    EXPECT_EQ(d.getDoneButton()->getBounds(), (tk::Rectangle{320, 432, 160, 24}));
    EXPECT_EQ(d.getUserList()->getSize(), (tk::Point{252, 358}));
    EXPECT_EQ(d.getAccountList()->getSize(), (tk::Point{256, 338}));
    ASSERT_TRUE(driver.resizeByUser(shell, 500, 300));
    EXPECT_EQ(d.getMainFolder()->getSize(), (tk::Point{476, 212}));
    EXPECT_EQ(d.getDoneButton()->getLocation(), (tk::Point{170, 232}));
    EXPECT_EQ(d.getUserList()->getSize(), (tk::Point{252, 158}));
}

// An outer window of a branded edition, recording what the dialog asks.
class FakeWrapper : public tracker::ui::IWrapper {
public:
    void cleanUp() override {}
    void updateContent() override {}
    bool shouldStopHandlingNavigation(const std::string&) override { return false; }
    void removeOfflineParamFromURLAndBrowseTo() override {}
    void navigateWrapperBrowserToCancel() override {}
    void navigateWrapperBrowserToBalances() override { ++balancesShown; }
    int getTitleBarHeightDiff() override { return 0; }
    int getRoamledgerRelativeY() override { return 20; }
    int getRoamledgerRelativeX() override { return 10; }
    tk::Point getRoamledgerPreferredSize(tk::Shell* shell) override {
        askedFor = shell;
        return {760, 420};
    }
    std::shared_ptr<SetupDialog> createSetupDialog(tk::Shell* shell, BaseRLApp* window) override {
        ++dialogsMade;
        auto dialog = std::make_shared<RecordingDialog>(shell, window, this);
        last = dialog.get();
        return dialog;
    }

    // Records where the window asks the dialog to stand.
    class RecordingDialog : public SetupDialog {
    public:
        using SetupDialog::SetupDialog;
        void moveAbove(tk::Control* control) override {
            raisedAbove.push_back(control);
            SetupDialog::moveAbove(control);
        }
        std::vector<tk::Control*> raisedAbove;
    };

    int balancesShown = 0;
    int dialogsMade = 0;
    tk::Shell* askedFor = nullptr;
    RecordingDialog* last = nullptr;
};

// Six small pictures for the user tabs.
void writeUserColorImages(const TempWorkDir& dir) {
    std::filesystem::create_directories(dir.file("usercolors"));
    auto le32 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    for (int i = 0; i < 6; ++i) {
        writeFile(dir.file("usercolors/user" + std::to_string(i) + ".bmp"),
                  "BM" + std::string(16, '\0') + le32(12) + le32(12) + std::string(28, '\0'));
    }
}

TEST_F(SetupDialogTest, TheBrandedDialogIsPlacedByItsWrapperAndColoursItsUsers) {
    writeUserColorImages(dir);
    std::vector<StoredUser> users;
    for (const char* name : {"U0", "U1", "U2", "U3", "U4", "U5", "U6"}) users.push_back({name, {}});
    prepareSettings(users);
    FakeWrapper wrapper;
    open(BaseRLApp::APP_TYPE_BRTW, nullptr, &wrapper);
    ASSERT_TRUE(driver.choose(*window->getSetupMenuItem()));
    ASSERT_EQ(wrapper.dialogsMade, 1);
    SetupDialog& d = *wrapper.last;
    EXPECT_EQ(window->getSetupDialog().get(), &d);
    tk::Shell& shell = *d.getShell();

    // A panel without trim over the tracker, sized and placed by the wrapper.
    EXPECT_EQ(shell.getModality(), 0);
    EXPECT_EQ(shell.getStyle() & tk::TITLE, 0);
    EXPECT_EQ(shell.getText(), "");
    EXPECT_EQ(wrapper.askedFor, host.get());
    const tk::Point hostAt = host->getLocation();
    EXPECT_EQ(shell.getBounds(), (tk::Rectangle{hostAt.x + 14, hostAt.y + 70, 760, 420}));
    EXPECT_EQ(d.getMainFolder()->getBounds(), (tk::Rectangle{8, 8, 552, 404}));
    EXPECT_EQ(d.getDoneButton()->getBounds(), (tk::Rectangle{580, 198, 160, 24}));
    EXPECT_EQ(d.getUserList()->getBounds(), (tk::Rectangle{9, 16, 252, 354}));
    EXPECT_EQ(d.getAddUserButton()->getBounds(), (tk::Rectangle{348, 56, 160, 24}));
    EXPECT_EQ(d.getRenameUserButton()->getBounds(), (tk::Rectangle{348, 116, 160, 24}));
    EXPECT_EQ(d.getRemoveUserButton()->getBounds(), (tk::Rectangle{348, 174, 160, 24}));
    EXPECT_EQ(d.getAccountList()->getSize(), (tk::Point{256, 334}));
    EXPECT_EQ(d.getRemoveAccountButton()->getBounds(), (tk::Rectangle{324, 196, 188, 24}));

    // Seven users: the seventh tab takes the first colour again.
    ASSERT_TRUE(SetupDialog::areUserColorImagesLoaded());
    const auto tabs = d.getAccountsFolder()->getItems();
    ASSERT_EQ(tabs.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(SetupDialog::getUserColorPosition(tabs[i]), i % 6) << i;
    EXPECT_EQ(tabs[6]->getImage(), tabs[0]->getImage());
    EXPECT_NE(tabs[1]->getImage(), tabs[0]->getImage());
    showTab(d, ACCOUNTS);
    EXPECT_EQ(d.getStatusLabel()->getForeground(), tk::Color(0, 51, 255));
    chooseUserTab(d, 6);
    EXPECT_EQ(d.getStatusLabel()->getText(), "U6 : " + RLPreferences::getConfig(0)->getDisplay());
    EXPECT_EQ(d.getStatusLabel()->getForeground(), tk::Color(0, 51, 255));
    chooseUserTab(d, 2);
    EXPECT_EQ(d.getStatusLabel()->getForeground(), tk::Color(255, 1, 1));

    // Not modal: the window still works, and asking again brings the open
    // dialog forward instead of a second one.
    ASSERT_TRUE(driver.choose(*window->getSetupMenuItem()));
    EXPECT_EQ(wrapper.dialogsMade, 1);
    EXPECT_EQ(window->getSetupDialog().get(), &d);
    // Showing the tracker keeps the dialog in front of it.
    window->show();
    ASSERT_FALSE(wrapper.last->raisedAbove.empty());
    EXPECT_EQ(wrapper.last->raisedAbove.back(), host.get());

    // Done: the window forgets the dialog and the wrapper shows balances.
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    EXPECT_TRUE(shell.isDisposed());
    EXPECT_EQ(window->getSetupDialog(), nullptr);
    EXPECT_EQ(wrapper.balancesShown, 1);
    settle();
    EXPECT_TRUE(window->getDialogs().empty());

    // A dialog opened later starts again at the first colour.
    ASSERT_TRUE(driver.choose(*window->getSetupMenuItem()));
    EXPECT_EQ(SetupDialog::getUserColorPosition(wrapper.last->getAccountsFolder()->getItem(0)), 0);
}

TEST_F(SetupDialogTest, WithoutItsPicturesTheBrandedDialogWorksPlainAndSaysSoEachTime) {
    prepareSettings({{"Alice", {}}, {"Bob", {}}});
    FakeWrapper wrapper;
    open(BaseRLApp::APP_TYPE_ROAMBAY, nullptr, &wrapper);
    const std::string missing = "User color images directory (usercolors) does not exist.";
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(driver.choose(*window->getSetupMenuItem()));
        SetupDialog& d = *wrapper.last;
        EXPECT_EQ(d.getDoneButton(), nullptr);
        EXPECT_EQ(d.getMainFolder()->getBounds(), (tk::Rectangle{8, 8, 744, 404}));
        EXPECT_EQ(d.getUserList()->getSize(), (tk::Point{252, 354}));
        EXPECT_FALSE(SetupDialog::areUserColorImagesLoaded());
        for (tk::TabItem* tab : d.getAccountsFolder()->getItems()) EXPECT_EQ(tab->getImage(), nullptr);
        showTab(d, ACCOUNTS);
        chooseUserTab(d, 1);
        EXPECT_EQ(d.getStatusLabel()->getForeground(), d.getUsernameLabel()->getForeground());
        // The host ends the dialog.
        d.getShell()->dispose();
        settle();
    }
    EXPECT_EQ(foundation::StrUtil::countMatches(log(), missing), 2);
}

TEST_F(SetupDialogTest, AnUnreadablePictureLeavesTheBrandedDialogPlainButWhole) {
    writeUserColorImages(dir);
    writeFile(dir.file("usercolors/user4.bmp"), "not a picture");
    prepareSettings({{"Alice", {}}});
    FakeWrapper wrapper;
    open(BaseRLApp::APP_TYPE_BRTW, nullptr, &wrapper);
    ASSERT_TRUE(driver.choose(*window->getSetupMenuItem()));
    SetupDialog& d = *wrapper.last;
    EXPECT_TRUE(logged("Unable to load user color image usercolors/user4.bmp"));
    EXPECT_FALSE(SetupDialog::areUserColorImagesLoaded());
    EXPECT_EQ(d.getAccountsFolder()->getItem(0)->getImage(), nullptr);
    ASSERT_NE(d.getDoneButton(), nullptr);
    EXPECT_EQ(d.getDoneButton()->getBounds(), (tk::Rectangle{580, 198, 160, 24}));
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    EXPECT_TRUE(d.getShell()->isDisposed());
}

// ---------------------------------------------------------------------------
// Users

TEST_F(SetupDialogTest, AddsTwoUsersAndRefusesMissingForbiddenAndTakenNames) {
    prepareSettings({{"Main User", {}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    const Settings before = storedUsers();

    auto& add = openNameDialog<SetupDialogAddUser>(d, *d.getAddUserButton());
    tk::Shell& small = *add.getShell();
    EXPECT_EQ(small.getText(), "Add New User");
    EXPECT_EQ(small.getSize(), (tk::Point{272, 142}));
    EXPECT_EQ(small.getParentShell(), d.getShell());
    EXPECT_EQ(small.getModality(), tk::APPLICATION_MODAL);
    EXPECT_EQ(add.getLabel()->getText(), "Enter name for new user and click 'Add'.");
    EXPECT_EQ(add.getLabel()->getBounds(), (tk::Rectangle{8, 8, 248, 20}));
    EXPECT_EQ(add.getLabel()->getAlignment(), tk::CENTER);
    EXPECT_EQ(add.getNameField()->getBounds(), (tk::Rectangle{8, 36, 248, 20}));
    EXPECT_EQ(add.getCancelButton()->getBounds(), (tk::Rectangle{8, 74, 120, 24}));
    EXPECT_EQ(add.getOKButton()->getBounds(), (tk::Rectangle{136, 74, 120, 24}));
    EXPECT_EQ(add.getOKButton()->getText(), "Add");
    EXPECT_EQ(small.getDefaultButton(), add.getOKButton());
    EXPECT_EQ(focus(), add.getNameField());
    // The Users & Accounts dialog waits for the small one.
    EXPECT_FALSE(driver.click(*d.getRemoveUserButton()));

    EXPECT_FALSE(submit(add, ""));
    EXPECT_EQ(box(), "Roamledger - No Name Provided for New User | A name must be provided for the new user.");
    EXPECT_FALSE(submit(add, "Ann/Bob"));
    EXPECT_EQ(box(), "Roamledger - Invalid Characters In Name | A name cannot contain any of the following "
                     "characters: ; ' \" / \\\\ : * ? < > |.");
    EXPECT_EQ(add.getNameField()->getText(), "Ann/Bob");
    for (const char* bad : {"a;b", "it's", "say \"hi\"", "back\\slash", "c:d", "star*", "why?", "<b", "b>", "a|b"}) {
        EXPECT_FALSE(submit(add, bad)) << bad;
        EXPECT_EQ(driver.shownDialogs().at(0).title, "Roamledger - Invalid Characters In Name") << bad;
        driver.clearShownDialogs();
    }
    EXPECT_FALSE(submit(add, "main user"));
    EXPECT_EQ(box(), "Roamledger - Name Already Used | A user already exists with the name 'main user'.");
    EXPECT_EQ(driver.shownDialogs().size(), 0u);
    // The field takes no 101st character.
    driver.replaceText(*add.getNameField(), std::string(101, 'x'));
    EXPECT_EQ(add.getNameField()->getText(), std::string(100, 'x'));
    EXPECT_EQ(RLPreferences::getUserCount(), 1);

    // Enter presses Add.
    ASSERT_TRUE(driver.replaceText(*add.getNameField(), "Bob"));
    ASSERT_TRUE(driver.pressEnter(*add.getNameField()));
    EXPECT_TRUE(small.isDisposed());
    EXPECT_EQ(d.getUserList()->getItems(), (std::vector<std::string>{"Main User", "Bob"}));
    EXPECT_EQ(tabTexts(d), (std::vector<std::string>{" Main User ", " Bob "}));
    EXPECT_EQ(d.getUserList()->getSelectionIndex(), 1);
    EXPECT_EQ(d.getAccountsFolder()->getSelectionIndex(), 1);
    EXPECT_EQ(d.getLastUser(), 1);
    EXPECT_EQ(d.getStatusLabel()->getText(), "Bob : " + RLPreferences::getConfig(0)->getDisplay());

    // Cancel and the close box change nothing.
    auto& cancelled = openNameDialog<SetupDialogAddUser>(d, *d.getAddUserButton());
    ASSERT_TRUE(driver.replaceText(*cancelled.getNameField(), "Dave"));
    ASSERT_TRUE(driver.click(*cancelled.getCancelButton()));
    EXPECT_TRUE(cancelled.getShell()->isDisposed());
    auto& closed = openNameDialog<SetupDialogAddUser>(d, *d.getAddUserButton());
    ASSERT_TRUE(driver.replaceText(*closed.getNameField(), "Dave"));
    ASSERT_TRUE(driver.closeBox(*closed.getShell()));
    EXPECT_EQ(RLPreferences::getUserCount(), 2);

    // Inner blanks are fine; so is a name of blanks only, shown as a blank tab.
    addUser(d, "Carol Ann");
    addUser(d, "  ");
    EXPECT_EQ(tabTexts(d), (std::vector<std::string>{" Main User ", " Bob ", " Carol Ann ", "    "}));
    EXPECT_EQ(driver.shownDialogs().size(), 0u);
    // Nothing reaches the file before Done.
    EXPECT_EQ(storedUsers(), before);

    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    EXPECT_EQ(storedUsers(), (Settings{{"User0", "Main User"}, {"User1", "Bob"}, {"User2", "Carol Ann"}, {"User3", "  "}}));
}

TEST_F(SetupDialogTest, RenamesAUserKeepingItsAccountsAndRefusesATakenName) {
    prepareSettings({{"Main User", {{"American", "main1", "pw-main", "", std::string("1500")}}}, {"Bob", {}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    const Settings before = storedUsers();

    auto& rename = openNameDialog<SetupDialogRenameUser>(d, *d.getRenameUserButton());
    EXPECT_EQ(rename.getShell()->getText(), "Rename Selected User");
    EXPECT_EQ(rename.getLabel()->getText(), "Enter new name for user and click 'Rename'.");
    EXPECT_EQ(rename.getOKButton()->getText(), "Rename");
    EXPECT_EQ(rename.getNameField()->getText(), "");

    EXPECT_FALSE(submit(rename, ""));
    EXPECT_EQ(box(), "Roamledger - No New Name Provided for User | A name must be provided to rename the selected user.");
    EXPECT_FALSE(submit(rename, "Main:User"));
    EXPECT_EQ(box(), "Roamledger - Invalid Characters In Name | A name cannot contain any of the following "
                     "characters: ; ' \" / \\\\ : * ? < > |.");
    // Its own name in capitals counts as taken.
    EXPECT_FALSE(submit(rename, "MAIN USER"));
    EXPECT_EQ(box(), "Roamledger - Name Already Used | A user already exists with the name 'MAIN USER'.");
    EXPECT_FALSE(submit(rename, "bob"));
    EXPECT_EQ(box(), "Roamledger - Name Already Used | A user already exists with the name 'bob'.");
    EXPECT_EQ(d.getUserList()->getItem(0), "Main User");

    ASSERT_TRUE(submit(rename, "Tom & Jerry"));
    EXPECT_EQ(d.getUserList()->getItems(), (std::vector<std::string>{"Tom & Jerry", "Bob"}));
    // The tab loses its surrounding blanks; "&" shows as itself.
    EXPECT_EQ(tabTexts(d), (std::vector<std::string>{"Tom && Jerry", " Bob "}));
    EXPECT_EQ(d.getStatusLabel()->getText(), "Tom && Jerry : " + RLPreferences::getConfig(0)->getDisplay());
    EXPECT_EQ(RLPreferences::getDisplayNameForUser(0), "Tom & Jerry");
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "main1");

    // The new name is taken, whatever its case.
    auto& add = openNameDialog<SetupDialogAddUser>(d, *d.getAddUserButton());
    EXPECT_FALSE(submit(add, "tom & JERRY"));
    EXPECT_EQ(box(), "Roamledger - Name Already Used | A user already exists with the name 'tom & JERRY'.");
    ASSERT_TRUE(driver.click(*add.getCancelButton()));

    // With no user selected there is nothing to rename.
    d.getUserList()->deselectAll();
    auto& none = openNameDialog<SetupDialogRenameUser>(d, *d.getRenameUserButton());
    EXPECT_FALSE(submit(none, "Zed"));
    EXPECT_EQ(box(), "Roamledger - No User Selected | No user is selected.");
    ASSERT_TRUE(driver.click(*none.getCancelButton()));

    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    Settings expected = before;
    expected["User0"] = "Tom & Jerry";
    EXPECT_EQ(storedUsers(), expected);
}

TEST_F(SetupDialogTest, RemovingTheMiddleUserRenumbersItsSuccessorAndMovesTheHistory) {
    const std::string aa = RLPreferences::getConfig(std::string("American"))->getAbbreviation();
    writeFile(dir.file("Roamledger.history"), "0 " + aa + " 1000 100\n1 " + aa + " 2000 200\n2 " + aa +
                                                  " 3000 300\n1 " + aa + " 2500 250\n");
    adapters.add("American", nullptr);
    prepareSettings({{"Alice", {{"American", "alice1", "pa", "", std::string("100")}}},
                     {"Bob", {{"American", "bob1", "pb", "", std::string("200")}, {"Aeroflot", "bobaf", "pf", "", std::nullopt}}},
                     {"Carol", {{"American", "carol1", "pc", "", std::string("300")}, {"Northwest", "c", "p", "Smith", std::nullopt}}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    const Settings before = storedUsers();

    // The panel shows Carol's American login when Bob goes.
    showTab(d, ACCOUNTS);
    chooseProgram(d, "American");
    chooseUserTab(d, 2);
    EXPECT_EQ(fields(d), (std::vector<std::string>{"carol1", "pc", ""}));
    showTab(d, USERS);
    ASSERT_TRUE(driver.select(*d.getUserList(), 1));
    // No keeps everyone.
    driver.answerButton(tk::NO);
    ASSERT_TRUE(driver.click(*d.getRemoveUserButton()));
    const tk::ShownDialog asked = driver.shownDialogs().at(0);
    EXPECT_EQ(asked.title, "Roamledger - Remove Confirmation");
    EXPECT_EQ(asked.message, "Are you sure that you want to remove user 'Bob' and all of that user's accounts? They "
                             "will be deleted permanently.");
    EXPECT_EQ(asked.style, tk::ICON_QUESTION | tk::YES | tk::NO);
    driver.clearShownDialogs();
    EXPECT_EQ(RLPreferences::getUserCount(), 3);

    driver.answerButton(tk::YES);
    ASSERT_TRUE(driver.click(*d.getRemoveUserButton()));
    EXPECT_EQ(d.getUserList()->getItems(), (std::vector<std::string>{"Alice", "Carol"}));
    EXPECT_EQ(tabTexts(d), (std::vector<std::string>{" Alice ", " Carol "}));
    EXPECT_EQ(d.getUserList()->getSelectionIndex(), 0);
    EXPECT_EQ(d.getAccountsFolder()->getSelectionIndex(), 0);
    // The panel shows user 0's login for the program selected, and that is
    // the pair it stores next.
    EXPECT_EQ(fields(d), (std::vector<std::string>{"alice1", "pa", ""}));
    EXPECT_EQ(d.getStatusLabel()->getText(), "Alice : " + programName("American"));
    EXPECT_EQ(d.getLastUser(), 0);
    EXPECT_EQ(d.getLastAccount(), programRow("American"));

    // Carol, now user 1, keeps her logins; Bob's went nowhere.
    showTab(d, ACCOUNTS);
    chooseUserTab(d, 1);
    EXPECT_EQ(fields(d), (std::vector<std::string>{"carol1", "pc", ""}));
    chooseProgram(d, "Northwest");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"c", "p", "Smith"}));
    chooseProgram(d, "Aeroflot");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    chooseUserTab(d, 0);
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "alice1");
    EXPECT_EQ(RLPreferences::getUsername(1, "American"), "carol1");

    // The history lost Bob's points and moved Carol's down, in the file too.
    std::vector<std::string> points;
    for (const std::string& line : {std::string("0"), std::string("1")}) {
        for (const auto& entry : tracker::History::getEntries(std::stoi(line), aa, false)) {
            points.push_back(line + ":" + std::to_string(entry.getDate()));
        }
    }
    EXPECT_EQ(points, (std::vector<std::string>{"0:1000", "1:3000"}));
    const std::string history = page("Roamledger.history");
    std::vector<std::string> inFile;
    tracker::HistoryEntry entry(0, "", 0, 0.0f);
    size_t start = 0;
    for (size_t end; (end = history.find('\n', start)) != std::string::npos; start = end + 1) {
        ASSERT_TRUE(tracker::HistoryEntry::parse(history.substr(start, end - start), entry));
        inFile.push_back(std::to_string(entry.getUser()) + ":" + std::to_string(entry.getDate()));
    }
    EXPECT_EQ(inFile, (std::vector<std::string>{"0:1000", "1:3000"}));

    // The file after Done: Bob's keys gone, Carol's renumbered.
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    Settings expected;
    for (const auto& [key, value] : before) {
        if (key.rfind("User1", 0) == 0) continue;
        if (key.rfind("User2", 0) == 0) {
            expected["User1" + key.substr(5)] = value;
        } else {
            expected[key] = value;
        }
    }
    EXPECT_EQ(expected.count("User1NorthwestPassword2"), 1u);
    EXPECT_EQ(storedUsers(), expected);
}

TEST_F(SetupDialogTest, TheLastUserCannotBeRemoved) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    SetupDialog& d = openSetup();
    ASSERT_TRUE(driver.click(*d.getRemoveUserButton()));
    EXPECT_EQ(box(), "Roamledger - No Users Exist | At least one user must exist.");
    EXPECT_EQ(focus(), d.getUserList());
    d.getUserList()->deselectAll();
    ASSERT_TRUE(driver.click(*d.getRemoveUserButton()));
    EXPECT_EQ(box(), "Roamledger - No User Selected | No user is selected.");
    EXPECT_EQ(RLPreferences::getUserCount(), 1);
    EXPECT_FALSE(d.isDirty());
}

// ---------------------------------------------------------------------------
// Logins

TEST_F(SetupDialogTest, LoginsAreKeptWhereTheyAreLeftAndLostWhenTheDialogIsClosed) {
    prepareSettings({{"Alice", {}}, {"Bob", {}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    SetupDialog& d = openSetup();
    showTab(d, ACCOUNTS);
    EXPECT_EQ(d.getStatusLabel()->getText(), "Alice : " + programName("Aeroflot"));

    // Three programs of Alice.
    typeLogin(d, "af100", "pw-af");
    chooseProgram(d, "American");
    EXPECT_EQ(RLPreferences::getUsername(0, "Aeroflot"), "af100");
    EXPECT_EQ(RLPreferences::getPassword(0, "Aeroflot"), "pw-af");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(d.getUsernameLabel()->getText(), "AAdvantage #");
    EXPECT_EQ(d.getPasswordLabel()->getText(), "Password (Not PIN - 6-12 Characters)");
    EXPECT_FALSE(d.getPassword2Field()->getVisible());
    EXPECT_EQ(d.getStatusLabel()->getText(), "Alice : " + programName("American"));
    typeLogin(d, "aa200", "pw-aa");
    chooseProgram(d, "Northwest");
    EXPECT_TRUE(d.getPassword2Field()->getVisible());
    EXPECT_EQ(d.getPassword2Label()->getText(), "Last Name");
    typeLogin(d, "nw300", "pw-nw", "Smith");

    // To Bob: Alice's Northwest login is stored first.
    chooseUserTab(d, 1);
    EXPECT_EQ(RLPreferences::getPassword2(0, "Northwest"), "Smith");
    EXPECT_EQ(d.getUserList()->getSelectionIndex(), 1);
    EXPECT_EQ(d.getStatusLabel()->getText(), "Bob : " + programName("Northwest"));
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    typeLogin(d, "nw400", "pw-bob", "Jones");
    chooseProgram(d, "Aeroflot");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));

    // Back to Alice: each login is where it was left.
    chooseUserTab(d, 0);
    EXPECT_EQ(fields(d), (std::vector<std::string>{"af100", "pw-af", ""}));
    chooseProgram(d, "American");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"aa200", "pw-aa", ""}));
    chooseProgram(d, "Northwest");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"nw300", "pw-nw", "Smith"}));
    // The Users list follows the tabs, and picking a user there shows the
    // same panel.
    showTab(d, USERS);
    ASSERT_TRUE(driver.select(*d.getUserList(), 1));
    showTab(d, ACCOUNTS);
    EXPECT_EQ(d.getAccountsFolder()->getSelectionIndex(), 1);
    EXPECT_EQ(fields(d), (std::vector<std::string>{"nw400", "pw-bob", "Jones"}));
    EXPECT_TRUE(d.getAccountPanel()->getVisible());

    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    const Settings afterDone = storedUsers();
    EXPECT_EQ(afterDone, (Settings{{"User0", "Alice"},
                                   {"User1", "Bob"},
                                   {"User0AeroflotUsername", "af100"},
                                   {"User0AeroflotPassword", "pw-af"},
                                   {"User0AeroflotBalance", "Never retrieved"},
                                   {"User0AmericanUsername", "aa200"},
                                   {"User0AmericanPassword", "pw-aa"},
                                   {"User0AmericanBalance", "Never retrieved"},
                                   {"User0NorthwestUsername", "nw300"},
                                   {"User0NorthwestPassword", "pw-nw"},
                                   {"User0NorthwestPassword2", "Smith"},
                                   {"User0NorthwestBalance", "Never retrieved"},
                                   {"User1NorthwestUsername", "nw400"},
                                   {"User1NorthwestPassword", "pw-bob"},
                                   {"User1NorthwestPassword2", "Jones"},
                                   {"User1NorthwestBalance", "Never retrieved"}}));
    // New accounts wait for their first retrieval.
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "Never retrieved");
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "American"), "...");
    // The pages were rebuilt and shown.
    EXPECT_EQ(browserRecord().log.back(), "navigate " + fileUrl("Roamledger.html"));

    // The close box drops the login being edited, and writes nothing.
    SetupDialog& again = openSetup();
    EXPECT_EQ(fields(again), (std::vector<std::string>{"af100", "pw-af", ""}));
    showTab(again, ACCOUNTS);
    typeLogin(again, "af999", "pw-new");
    ASSERT_TRUE(driver.closeBox(*again.getShell()));
    EXPECT_EQ(RLPreferences::getUsername(0, "Aeroflot"), "af100");
    EXPECT_EQ(storedUsers(), afterDone);
    // The window lets the ended dialog go.
    EXPECT_EQ(window->getSetupDialog(), nullptr);
    settle();
    EXPECT_TRUE(window->getDialogs().empty());
    window->show();

    expectNoPasswordLogged({"pw-af", "pw-aa", "pw-nw", "pw-bob", "pw-new"});
}

TEST_F(SetupDialogTest, AHalfFilledLoginIsRefusedAndTheSelectionStays) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    showTab(d, ACCOUNTS);

    // A user name without its password.
    ASSERT_TRUE(driver.replaceText(*d.getUsernameField(), "af100"));
    ASSERT_TRUE(driver.select(*d.getAccountList(), programRow("American")));
    EXPECT_EQ(box(), "Roamledger - Both Fields Not Provided | Both fields must be provided for Alice : " +
                         programName("Aeroflot") +
                         ".\r\n\r\nIf you wish to stop using this account, set both fields to blank or click "
                         "'Clear Selected Account'.");
    EXPECT_EQ(d.getAccountList()->getSelectionIndex(), programRow("Aeroflot"));
    EXPECT_EQ(fields(d), (std::vector<std::string>{"af100", "", ""}));
    EXPECT_EQ(focus(), d.getPasswordField());
    EXPECT_EQ(RLPreferences::getUsername(0, "Aeroflot"), "");

    // A password without its user name; the Users tab is refused too.
    ASSERT_TRUE(driver.replaceText(*d.getUsernameField(), ""));
    ASSERT_TRUE(driver.replaceText(*d.getPasswordField(), "pw"));
    ASSERT_TRUE(driver.select(*d.getMainFolder(), USERS));
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
    driver.clearShownDialogs();
    EXPECT_EQ(d.getMainFolder()->getSelectionIndex(), ACCOUNTS);
    EXPECT_EQ(focus(), d.getUsernameField());

    // Done too: the dialog stays open and nothing is written.
    const Settings before = storedUsers();
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
    driver.clearShownDialogs();
    EXPECT_FALSE(d.getShell()->isDisposed());
    EXPECT_EQ(storedUsers(), before);

    // A program with a second credential names the top two fields.
    ASSERT_TRUE(driver.click(*d.getRemoveAccountButton()));
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    chooseProgram(d, "Northwest");
    EXPECT_EQ(driver.shownDialogs().size(), 0u);
    typeLogin(d, "nw300", "", "Smith");
    chooseProgram(d, "American");
    EXPECT_EQ(box(), "Roamledger - Top Two Fields Not Provided | The top two fields must be provided for Alice : " +
                         programName("Northwest") +
                         ".\r\n\r\nIf you wish to stop using this account, set the all of its fields to blank or "
                         "click 'Clear Selected Account'.");
    EXPECT_EQ(d.getAccountList()->getSelectionIndex(), programRow("Northwest"));

    // The second credential alone is taken, and the account starts afresh.
    typeLogin(d, "", "", "Smith");
    chooseProgram(d, "Aeromexico");
    EXPECT_EQ(driver.shownDialogs().size(), 0u);
    EXPECT_EQ(RLPreferences::getPassword2(0, "Northwest"), "Smith");
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "Northwest"), "...");

    // A program without a password field takes a user name alone.
    EXPECT_FALSE(d.getPasswordField()->getVisible());
    EXPECT_EQ(d.getPasswordLabel()->getText(), "");
    ASSERT_TRUE(driver.replaceText(*d.getUsernameField(), "123456789"));
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    EXPECT_EQ(driver.shownDialogs().size(), 0u);
    EXPECT_TRUE(d.getShell()->isDisposed());
    const Settings after = storedUsers();
    EXPECT_EQ(after.at("User0AeromexicoUsername"), "123456789");
    EXPECT_EQ(after.at("User0NorthwestPassword2"), "Smith");
    EXPECT_EQ(after.count("User0AeroflotUsername"), 0u);
}

TEST_F(SetupDialogTest, ClearingALoginRemovesExactlyThatAccountsKeys) {
    adapters.add("American", nullptr);
    adapters.add("AmericanExpress", nullptr);
    prepareSettings({{"Alice",
                      {{"American", "alice1", "pa", "", std::string("1500")},
                       {"AmericanExpress", "amex1", "px", "", std::string("900")}}},
                     {"Bob", {{"American", "bob1", "pb", "", std::string("70")}}}});
    open(BaseRLApp::APP_TYPE_FARHAVEN);
    SetupDialog& d = openSetup();
    const Settings before = storedUsers();
    ASSERT_EQ(before.count("User0AmericanBalance"), 1u);

    // Browsing changes nothing.
    showTab(d, ACCOUNTS);
    chooseProgram(d, "American");
    chooseProgram(d, "AmericanExpress");
    chooseUserTab(d, 1);
    chooseProgram(d, "American");
    chooseUserTab(d, 0);
    EXPECT_FALSE(d.isDirty());
    EXPECT_FALSE(d.shouldCheckAllOnClose());

    // A changed user name keeps the balance.
    ASSERT_TRUE(driver.replaceText(*d.getUsernameField(), "alice2"));
    chooseProgram(d, "Aeroflot");
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "American"), "1500");
    EXPECT_TRUE(d.shouldCheckAllOnClose());
    // Clearing an account that was never set changes nothing.
    ASSERT_TRUE(driver.click(*d.getRemoveAccountButton()));
    chooseProgram(d, "American");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"alice2", "pa", ""}));
    // Clear empties the fields and stores nothing until the panel is left.
    ASSERT_TRUE(driver.click(*d.getRemoveAccountButton()));
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "alice2");
    chooseProgram(d, "AmericanExpress");
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "");

    // Another account filled anew starts afresh, its old details gone.
    RLPreferences::setDetails(0, "AmericanExpress", "<tr><td>Tier</td><td>Gold</td></tr>");
    chooseProgram(d, "AmericanExpress");
    ASSERT_TRUE(driver.click(*d.getRemoveAccountButton()));
    chooseProgram(d, "Aeroflot");
    EXPECT_EQ(RLPreferences::getDetails(0, "AmericanExpress"), "<tr><td>Tier</td><td>Gold</td></tr>");
    chooseProgram(d, "AmericanExpress");
    typeLogin(d, "amex2", "px2");
    chooseProgram(d, "Aeroflot");
    EXPECT_EQ(RLPreferences::getDetails(0, "AmericanExpress"), "");
    EXPECT_EQ(RLPreferences::getPreviousBalance(0, "AmericanExpress"), "Never retrieved");
    EXPECT_EQ(RLPreferences::getCurrentBalance(0, "AmericanExpress"), "...");

    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    Settings expected = before;
    for (const char* suffix : {"Username", "Password", "Password2", "Balance", "Misc", "Trans"}) {
        expected.erase(std::string("User0American") + suffix);
    }
    expected["User0AmericanExpressUsername"] = "amex2";
    expected["User0AmericanExpressPassword"] = "px2";
    expected["User0AmericanExpressBalance"] = "Never retrieved";
    expected["User0AmericanExpressMisc"] = "";
    // Cleared with the rest and not needed again.
    expected.erase("User0AmericanExpressPassword2");
    EXPECT_EQ(storedUsers(), expected);
    EXPECT_EQ(expected.at("User1AmericanUsername"), "bob1");
}

TEST_F(SetupDialogTest, OpeningTheDialogStoresNothing) {
    // A half-filled login left in the file does not stop the dialog opening
    // and ending.
    prepareSettings({{"Alice", {{"Aeroflot", "af100", "", "", std::nullopt}}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    const std::string settingsBefore = page("Roamledger.settings");
    SetupDialog& d = openSetup();
    EXPECT_EQ(fields(d), (std::vector<std::string>{"af100", "", ""}));
    EXPECT_FALSE(d.isDirty());
    EXPECT_EQ(page("Roamledger.settings"), settingsBefore);
    EXPECT_EQ(driver.shownDialogs().size(), 0u);
    // Done from the Users tab refuses it and shows where it is.
    ASSERT_TRUE(driver.click(*d.getDoneButton()));
    ASSERT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs()[0].title, "Roamledger - Both Fields Not Provided");
    EXPECT_EQ(d.getMainFolder()->getSelectionIndex(), ACCOUNTS);
    EXPECT_FALSE(d.getShell()->isDisposed());
    EXPECT_EQ(page("Roamledger.settings"), settingsBefore);
    ASSERT_TRUE(driver.closeBox(*d.getShell()));
    EXPECT_EQ(RLPreferences::getUsername(0, "Aeroflot"), "af100");
}

TEST_F(SetupDialogTest, ANewUserStaysWhenTheLoginOnShowIsRefused) {
    // A half-filled login left in the file is what the panel shows.
    prepareSettings({{"Alice", {{"Aeroflot", "af100", "", "", std::nullopt}}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    addUser(d, "Bob");
    EXPECT_EQ(driver.shownDialogs().size(), 1u);
    EXPECT_EQ(driver.shownDialogs().at(0).title, "Roamledger - Both Fields Not Provided");
    EXPECT_EQ(RLPreferences::getUserCount(), 2);
    EXPECT_EQ(d.getUserList()->getItems(), (std::vector<std::string>{"Alice", "Bob"}));
    // The panel, the tabs and the list stay with Alice's login.
    EXPECT_EQ(d.getAccountsFolder()->getSelectionIndex(), 0);
    EXPECT_EQ(d.getUserList()->getSelectionIndex(), 0);
    EXPECT_EQ(d.getLastUser(), 0);
    EXPECT_EQ(fields(d), (std::vector<std::string>{"af100", "", ""}));
    EXPECT_EQ(d.getMainFolder()->getSelectionIndex(), ACCOUNTS);
}

TEST_F(SetupDialogTest, ANewUserIsShownAfterTheLoginOnShowWasStored) {
    prepareSettings({{"Alice", {}}});
    open(BaseRLApp::APP_TYPE_LANTERNBAY);
    SetupDialog& d = openSetup();
    showTab(d, ACCOUNTS);
    chooseProgram(d, "American");
    typeLogin(d, "aa200", "pw-aa");
    // The Users tab stores it; adding a user then shows the new user's
    // empty login for the same program.
    showTab(d, USERS);
    addUser(d, "Bob");
    EXPECT_EQ(RLPreferences::getUsername(0, "American"), "aa200");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(d.getStatusLabel()->getText(), "Bob : " + programName("American"));
    showTab(d, ACCOUNTS);
    typeLogin(d, "aa300", "pw-bob");
    chooseUserTab(d, 0);
    EXPECT_EQ(RLPreferences::getUsername(1, "American"), "aa300");
    EXPECT_EQ(fields(d), (std::vector<std::string>{"aa200", "pw-aa", ""}));
}

}  // namespace
