#include "tracker/ui/SetupDialog.h"

#include <clocale>
#include <cwctype>
#include <filesystem>
#include <stdexcept>

#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/RLConstants.h"
#include "foundation/StrUtil.h"
#include "platform/toolkit/Toolkit.h"
#include "tracker/core/History.h"
#include "tracker/core/RLPreferences.h"
#include "tracker/core/SourceConfig.h"
#include "tracker/ui/BaseRLApp.h"
#include "tracker/ui/IWrapper.h"
#include "tracker/ui/SWTUtil.h"
#include "tracker/ui/SetupDialogAddUser.h"
#include "tracker/ui/SetupDialogRenameUser.h"

namespace tracker::ui {

using foundation::Logger;
using foundation::Messages;
using foundation::RLConstants;
using foundation::StrUtil;
using tracker::RLPreferences;

namespace {

constexpr int TAB_HEIGHT = 22;
const tk::Color SELECTED_TAB_BACKGROUND(0, 1, 206);
const tk::Color SELECTED_TAB_TEXT(255, 255, 255);
constexpr int FOLDER_X = 8;
constexpr int FOLDER_Y = 8;
constexpr int FOLDER_WIDTH = 588;
constexpr int FOLDER_HEIGHT = 284;
constexpr int FOLDER_HEIGHT_BRANDED = 268;
constexpr int BUTTON_HEIGHT = 24;
constexpr int DONE_WIDTH = 72;
constexpr int DONE_WIDTH_WIDE = 160;

// The characters a user name cannot hold, in the order they are tested and
// listed; the list shows the backslash doubled.
constexpr char FORBIDDEN[] = {';', '\'', '"', '/', '\\', ':', '*', '?', '<', '>', '|'};
constexpr const char* FORBIDDEN_LIST = ": ; ' \" / \\\\ : * ? < > |.";

std::string text(const char* key) { return Messages::get(key); }

// Labels and tabs take "&" for a mnemonic; names and program texts show it.
std::string shown(const std::string& plain) { return StrUtil::replace(plain, "&", "&&"); }

// Lower case of a character, for comparing names without regard to case.
char32_t lowerCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!utf8) return c;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), utf8));
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        size_t la = 1;
        size_t lb = 1;
        const char32_t ca = StrUtil::charAt(a, i, la);
        const char32_t cb = StrUtil::charAt(b, j, lb);
        if (ca != cb && lowerCase(ca) != lowerCase(cb)) return false;
        i += la;
        j += lb;
    }
    return i == a.size() && j == b.size();
}

// The program key of a display name; "" when no row of the table has it.
std::string keyOfDisplay(const std::string& display) {
    for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
        const tracker::SourceConfig* config = RLPreferences::getConfig(row);
        if (config && config->getDisplay() == display) return config->getKey();
    }
    return "";
}

}  // namespace

const std::array<const char*, SetupDialog::USER_COLOR_COUNT> SetupDialog::USER_COLOR_FILES = {
    "user0.bmp", "user1.bmp", "user2.bmp", "user3.bmp", "user4.bmp", "user5.bmp"};
const std::array<int, SetupDialog::USER_COLOR_COUNT> SetupDialog::USER_COLOR_REDS = {0, 0, 255, 153, 238, 255};
const std::array<int, SetupDialog::USER_COLOR_COUNT> SetupDialog::USER_COLOR_GREENS = {51, 153, 1, 1, 85, 202};
const std::array<int, SetupDialog::USER_COLOR_COUNT> SetupDialog::USER_COLOR_BLUES = {255, 51, 1, 102, 0, 1};

std::array<std::shared_ptr<tk::Image>, SetupDialog::USER_COLOR_COUNT> SetupDialog::m_userColorImages;
std::array<std::optional<tk::Color>, SetupDialog::USER_COLOR_COUNT> SetupDialog::m_userColors;
int SetupDialog::m_userColorPos = 0;
std::map<const tk::TabItem*, int> SetupDialog::m_userColorMap;

// ---------------------------------------------------------------------------
// Building

SetupDialog::SetupDialog(tk::Shell* parentShell, BaseRLApp* rl, IWrapper* wrapper) {
    m_lastUser = -1;
    m_lastAccount = -1;
    m_processSave = true;
    m_self = this;
    m_parentShell = parentShell;
    m_rl = rl;
    m_wrapper = wrapper;
    runGuarded("build the Users and Accounts dialog", [this] { build(); });
}

void SetupDialog::build() {
    // The history moves its points with every user removed here.
    tracker::History::connectToPreferences();
    createShell();

    m_tbfMain = tk::make<tk::TabFolder>(m_shell, tk::NONE);
    styleFolder(*m_tbfMain);
    m_tbfMain->setSize(FOLDER_WIDTH, BaseRLApp::isAppTypeBranded() ? FOLDER_HEIGHT_BRANDED : FOLDER_HEIGHT);
    m_tbfMain->setLocation(FOLDER_X, FOLDER_Y);
    onSelection(*m_tbfMain, "change the main tab", [this] { event_tbfMainSelection(); });

    createUsersTab();
    createAccountsTab();

    if (!BaseRLApp::isAppTypeRoambay()) {
        const int width = BaseRLApp::isAppTypeLanternbay() ? DONE_WIDTH : DONE_WIDTH_WIDE;
        m_btnDone = addButton(m_shell.get(), text("SetupDialog.Done"), width, BUTTON_HEIGHT, 0, 0);
        if (BaseRLApp::isAppTypeLanternbay()) m_btnDone->setLocation(264, 304);
        if (BaseRLApp::isAppTypeFarhaven()) setBtnDoneLocationForFarhaven();
        if (BaseRLApp::isAppTypeBRTW()) setBtnDoneLocationForBRTW();
        onSelection(*m_btnDone, "end the Users and Accounts dialog", [this] { done(true); });
        m_shell->setDefaultButton(m_btnDone.get());
    }

    if (RLPreferences::getMaskPasswords()) m_txtPassword->setEchoChar('*');

    fillLists();

    // The first user's first login, stored nowhere before it is shown.
    m_tbfAccounts->setSelection(0);
    showUser(0);
    m_tbfMain->setSelection(MAIN_USERS_TAB);

    if (BaseRLApp::isAppTypeBRTW()) handleShellResizeForBRTW();
    if (BaseRLApp::isAppTypeRoambay()) handleShellResizeForRoambay();
    if (BaseRLApp::isAppTypeFarhaven()) handleShellResizeForFarhaven();
}

void SetupDialog::createShell() {
    const std::string title = RLConstants::ProductNameDisplay() + " - " + text("SetupDialog.SetupTitle");
    if (BaseRLApp::isAppTypeBranded()) {
        m_shell = tk::make<tk::Shell>(m_parentShell, tk::NO_TRIM);
        if (m_wrapper) {
            resizeForBranded();
            moveForBranded();
        } else {
            // An edition without a wrapper has nobody to place the panel.
            Logger::error("No wrapper places the Users and Accounts dialog; it is centred");
            placeDefault();
        }
        const bool brtw = BaseRLApp::isAppTypeBRTW();
        m_shell->addListener(tk::Resize, [this, brtw](tk::Event&) {
            runGuarded("lay out the Users and Accounts dialog", [this, brtw] {
                if (brtw) {
                    handleShellResizeForBRTW();
                } else {
                    handleShellResizeForRoambay();
                }
            });
        });
        return;
    }
    const bool farhaven = BaseRLApp::isAppTypeFarhaven();
    m_shell = tk::make<tk::Shell>(m_parentShell,
                                  tk::APPLICATION_MODAL | tk::DIALOG_TRIM | (farhaven ? tk::RESIZE : tk::NONE));
    m_shell->setText(title);
    placeDefault();
    if (farhaven) {
        m_shell->addListener(tk::Resize, [this](tk::Event&) {
            runGuarded("lay out the Users and Accounts dialog", [this] { handleShellResizeForFarhaven(); });
        });
    }
}

void SetupDialog::placeDefault() {
    m_shell->setSize(DEFAULT_SHELL_WIDTH, DEFAULT_SHELL_HEIGHT);
    setIconOnShell();
    centerDialog();
}

void SetupDialog::resizeForBranded() { m_shell->setSize(m_wrapper->getRoamledgerPreferredSize(m_parentShell)); }

void SetupDialog::moveForBranded() {
    const tk::Point parent = m_parentShell->getLocation();
    m_shell->setLocation(parent.x + m_wrapper->getRoamledgerRelativeX() + 4,
                         parent.y + m_wrapper->getRoamledgerRelativeY() + 50);
}

tk::TabFolder& SetupDialog::styleFolder(tk::TabFolder& folder) {
    folder.setTabHeight(TAB_HEIGHT);
    folder.setSelectionBackground(SELECTED_TAB_BACKGROUND);
    folder.setSelectionForeground(SELECTED_TAB_TEXT);
    SWTUtil::boldFontOnControl(folder);
    return folder;
}

std::shared_ptr<tk::Button> SetupDialog::bindButton(tk::Composite* parent, const std::string& textKey, int width,
                                                    int x, int y, const std::string& what,
                                                    void (SetupDialog::*handler)()) {
    auto button = addButton(parent, Messages::get(textKey), width, BUTTON_HEIGHT, x, y);
    onSelection(*button, what, [this, handler] { (this->*handler)(); });
    return button;
}

void SetupDialog::createUsersTab() {
    m_tbiUsers = tk::make<tk::TabItem>(m_tbfMain, tk::NONE);
    m_tbiUsers->setText(" " + text("SetupDialog.Users") + " ");
    m_cmpUsers = tk::make<tk::Composite>(m_tbfMain, tk::NONE);
    // Only the tab texts are bold.
    m_cmpUsers->setFont(m_shell->getFont());
    m_tbiUsers->setControl(m_cmpUsers.get());

    const bool portal = BaseRLApp::isAppTypeLanternbay();
    const bool branded = BaseRLApp::isAppTypeBranded();
    m_lstUsers = addList(m_cmpUsers.get(), 252, portal ? 147 : 208, 9, 16);
    onSelection(*m_lstUsers, "change the user", [this] { event_lstUsersSelection(); });

    const int width = branded ? 160 : 224;
    const int x = branded ? 348 : 316;
    m_btnAddUser = bindButton(m_cmpUsers.get(), "SetupDialog.AddUser", width, x, portal ? 16 : 56,
                              "open the Add New User dialog", &SetupDialog::event_btnAddUserSelection);
    m_btnRenameUser = bindButton(m_cmpUsers.get(), "SetupDialog.RenameUser", width, x, portal ? 76 : 116,
                                 "open the Rename Selected User dialog", &SetupDialog::event_btnRenameUserSelection);
    m_btnRemoveUser = bindButton(m_cmpUsers.get(), "SetupDialog.RemoveUser", width, x, portal ? 136 : 174,
                                 "remove a user", &SetupDialog::event_btnRemoveUserSelection);
    if (portal) {
        m_lblNote = addLabel(m_cmpUsers.get(), text("SetupDialog.LocalAccountInfo"), 508, 52, 40, 196);
        m_lblNote->setForeground(SWTUtil::getColor(tk::COLOR_DARK_BLUE));
        SWTUtil::boldFontOnControl(*m_lblNote);
    }
}

void SetupDialog::createAccountsTab() {
    m_tbiAccounts = tk::make<tk::TabItem>(m_tbfMain, tk::NONE);
    m_tbiAccounts->setText(" " + text("SetupDialog.Accounts") + " ");
    m_cmpAccounts = tk::make<tk::Composite>(m_tbfMain, tk::NONE);
    m_cmpAccounts->setLayout(std::make_shared<tk::FillLayout>());
    m_tbiAccounts->setControl(m_cmpAccounts.get());

    m_tbfAccounts = tk::make<tk::TabFolder>(m_cmpAccounts, tk::NONE);
    styleFolder(*m_tbfAccounts);
    onSelection(*m_tbfAccounts, "change the user", [this] { event_tbfAccountsSelection(); });
    m_cmpAccounts->layout();

    m_cmpAccount = tk::make<tk::Composite>(m_tbfAccounts, tk::NONE);
    m_cmpAccount->setFont(m_shell->getFont());
    tk::Composite* panel = m_cmpAccount.get();

    m_lstAccounts = addList(panel, 256, 210, 8, 12);
    onSelection(*m_lstAccounts, "change the program", [this] { event_lstAccountsSelection(); });
    m_lblStatus = addLabel(panel, "", 272, 16, 284, 12);
    SWTUtil::boldFontOnControl(*m_lblStatus);
    m_lblUsername = addLabel(panel, "", 272, 16, 284, 36);
    m_lblHint = addLabel(panel, "(" + text("SetupDialog.NoSpacesOrDashes") + ")", 272, 16, 284, 52);
    m_txtUsername = addText(panel, "", 272, 20, 284, 72);
    m_lblPassword = addLabel(panel, "", 272, 16, 284, 100);
    m_txtPassword = addText(panel, "", 272, 20, 284, 116);
    m_lblPassword2 = addLabel(panel, "", 272, 16, 284, 144);
    m_txtPassword2 = addText(panel, "", 272, 20, 284, 160);
    m_btnRemoveAccount = bindButton(panel, "SetupDialog.RemoveAccount", 188, 324,
                                    BaseRLApp::isAppTypeBranded() ? 196 : 190, "clear an account",
                                    &SetupDialog::event_btnRemoveAccountSelection);
}

void SetupDialog::fillLists() {
    initColors();
    for (int user = 0; user < RLPreferences::getUserCount(); ++user) {
        const std::string name = RLPreferences::getDisplayNameForUser(user);
        m_lstUsers->add(name);
        addUserTab(name);
    }
    m_lastUser = 0;
    m_lstUsers->select(0);
    // Every program of the table, whatever it allows.
    for (int row = 0; row < RLPreferences::getSourceCount(); ++row) {
        const tracker::SourceConfig* config = RLPreferences::getConfig(row);
        m_lstAccounts->add(config ? config->getDisplay() : "");
    }
    m_lastAccount = 0;
    m_doNotTriggerAccountSelectionChangedEvent = true;
    m_lstAccounts->select(0);
}

// ---------------------------------------------------------------------------
// Layout by edition

void SetupDialog::setBtnDoneLocationForFarhaven() {
    if (!m_btnDone || !m_tbfMain) return;
    const tk::Point shell = m_shell->getSize();
    const tk::Point done = m_btnDone->getSize();
    const tk::Rectangle folder = m_tbfMain->getBounds();
    m_btnDone->setLocation((shell.x - done.x) / 2, folder.y + folder.height + 12);
}

void SetupDialog::setBtnDoneLocationForBRTW() {
    if (!m_btnDone || !m_tbfMain) return;
    const tk::Point shell = m_shell->getSize();
    const tk::Point done = m_btnDone->getSize();
    const tk::Rectangle folder = m_tbfMain->getBounds();
    m_btnDone->setLocation(folder.x + folder.width + 20, (shell.y - done.y) / 2);
}

namespace {

void setHeight(tk::Control* control, int height) {
    if (control) control->setSize(control->getSize().x, height);
}

}  // namespace

void SetupDialog::handleShellResizeForFarhaven() {
    if (!m_tbfMain || !m_btnDone || !m_lstAccounts) return;
    const tk::Point shell = m_shell->getSize();
    m_tbfMain->setSize(shell.x - 24, shell.y - 64 - m_btnDone->getSize().y);
    setBtnDoneLocationForFarhaven();
    const int folderHeight = m_tbfMain->getSize().y;
    setHeight(m_lstUsers.get(), folderHeight - 54);
    setHeight(m_lstAccounts.get(), folderHeight - 74);
}

void SetupDialog::handleShellResizeForBRTW() {
    if (!m_tbfMain || !m_btnDone || !m_lstAccounts) return;
    const tk::Point shell = m_shell->getSize();
    m_tbfMain->setSize(shell.x - 48 - m_btnDone->getSize().x, shell.y - 16);
    setBtnDoneLocationForBRTW();
    const int folderHeight = m_tbfMain->getSize().y;
    setHeight(m_lstUsers.get(), folderHeight - 50);
    setHeight(m_lstAccounts.get(), folderHeight - 70);
}

void SetupDialog::handleShellResizeForRoambay() {
    if (!m_tbfMain || !m_lstAccounts) return;
    const tk::Point shell = m_shell->getSize();
    m_tbfMain->setSize(shell.x - 16, shell.y - 16);
    const int folderHeight = m_tbfMain->getSize().y;
    setHeight(m_lstUsers.get(), folderHeight - 50);
    setHeight(m_lstAccounts.get(), folderHeight - 70);
}

// ---------------------------------------------------------------------------
// User colours

void SetupDialog::initColors() {
    if (!BaseRLApp::isAppTypeBranded()) return;
    m_userColorPos = 0;
    m_userColorMap.clear();
    tk::Display* display = BaseRLApp::getDisplay();
    if (!display) display = tk::Display::getCurrent();
    if (areUserColorImagesLoaded() && m_userColorImages[0]->getDisplay() == display) return;
    cleanUp();
    std::error_code error;
    if (!std::filesystem::is_directory(USER_COLOR_DIR, error)) {
        Logger::error("User color images directory (usercolors) does not exist.");
        return;
    }
    for (int i = 0; i < USER_COLOR_COUNT; ++i) {
        const std::string path = std::string(USER_COLOR_DIR) + "/" + USER_COLOR_FILES[i];
        try {
            m_userColorImages[i] = tk::make<tk::Image>(display, path);
        } catch (const std::exception& failure) {
            // The dialog works without its colours, as without the folder.
            Logger::error("Unable to load user color image " + path, failure);
            cleanUp();
            return;
        }
    }
    for (int i = 0; i < USER_COLOR_COUNT; ++i) {
        m_userColors[i] = SWTUtil::getColor(USER_COLOR_REDS[i], USER_COLOR_GREENS[i], USER_COLOR_BLUES[i]);
    }
}

void SetupDialog::cleanUp() {
    for (auto& image : m_userColorImages) {
        if (image && !image->isDisposed()) image->dispose();
        image.reset();
    }
    for (auto& colour : m_userColors) colour.reset();
}

bool SetupDialog::areUserColorImagesLoaded() {
    for (const auto& image : m_userColorImages) {
        if (!image || image->isDisposed()) return false;
    }
    return true;
}

int SetupDialog::getUserColorPosition(const tk::TabItem* tab) {
    auto found = m_userColorMap.find(tab);
    return found == m_userColorMap.end() ? -1 : found->second;
}

void SetupDialog::addUserTab(const std::string& name) {
    auto tab = tk::make<tk::TabItem>(m_tbfAccounts, tk::NONE);
    tab->setText(" " + shown(name) + " ");
    tab->setControl(m_cmpAccount.get());
    if (!BaseRLApp::isAppTypeBranded()) return;
    const int position = m_userColorPos % USER_COLOR_COUNT;
    ++m_userColorPos;
    if (areUserColorImagesLoaded()) tab->setImage(m_userColorImages[position]);
    m_userColorMap[tab.get()] = position;
}

std::string SetupDialog::tabName(const tk::TabItem& tab) { return tk::stripMnemonic(StrUtil::trim(tab.getText())); }

// ---------------------------------------------------------------------------
// The dialog as a whole

void SetupDialog::moveAbove(tk::Control* control) {
    if (!m_shell || m_shell->isDisposed() || m_shell->isBeingDisposed()) return;
    if (control && control->isDisposed()) return;
    m_shell->moveAbove(control);
}

bool SetupDialog::done(bool navigateWrapper) {
    bool ended = false;
    runGuarded("end the Users and Accounts dialog", [&] {
        if (!m_shell || m_shell->isDisposed()) return;
        if (!storePanel()) return;
        RLPreferences::savePrefs();
        if (BaseRLApp::isAppTypeBranded() && m_rl) {
            m_rl->nullSetupDialog();
            if (navigateWrapper && m_rl->getWrapper()) m_rl->getWrapper()->navigateWrapperBrowserToBalances();
        }
        // A retrieval is the user's own choice: Done only rebuilds the
        // pages, where a new account shows as waiting for its first one.
        if (m_rl) m_rl->rebuildOutputAfterChanges(false, false);
        m_shell->dispose();
        ended = true;
    });
    return ended;
}

void SetupDialog::warn(tk::Shell* shell, const std::string& textKey, const std::string& titleKey) {
    SWTUtil::showMessageBoxAllKeys(shell, textKey, RLConstants::ProductNameDisplay(), titleKey,
                                   tk::ICON_WARNING | tk::OK);
}

// ---------------------------------------------------------------------------
// Users

void SetupDialog::event_btnAddUserSelection() {
    m_nameDialog = std::make_shared<SetupDialogAddUser>(m_self, m_shell.get(), m_rl);
}

void SetupDialog::event_btnRenameUserSelection() {
    m_nameDialog = std::make_shared<SetupDialogRenameUser>(m_self, m_shell.get(), m_rl);
}

bool SetupDialog::addUserFromExternalDialog(const std::string& name, tk::Shell* alertShell) {
    bool added = false;
    runGuarded("add a user", [&] {
        if (name.empty()) {
            warn(alertShell, "SetupDialog.NoName1", "SetupDialog.NoName2");
            return;
        }
        if (doesNameContainInvalidCharactersAndIfSoAlert(name, nullptr, alertShell)) return;
        if (doesUserAlreadyExistAndIfSoAlert(name, nullptr, alertShell)) return;
        m_isDirty = true;
        RLPreferences::addUser(name);
        m_lstUsers->add(name);
        addUserTab(name);
        added = true;
        // The login shown is stored for the user it belongs to before the
        // new user's (empty) one is shown.
        m_lstUsers->select(m_lstUsers->getItemCount() - 1);
        event_lstUsersSelection();
    });
    return added;
}

bool SetupDialog::renameUserFromExternalDialog(const std::string& newName, tk::Shell* alertShell) {
    bool renamed = false;
    runGuarded("rename a user", [&] {
        const int index = m_lstUsers->getSelectionIndex();
        if (index < 0) {
            warn(alertShell, "SetupDialog.NoUserSelected1", "SetupDialog.NoUserSelected2");
            return;
        }
        if (newName.empty()) {
            warn(alertShell, "SetupDialog.NoNameForRename1", "SetupDialog.NoNameForRename2");
            return;
        }
        if (doesNameContainInvalidCharactersAndIfSoAlert(newName, nullptr, alertShell)) return;
        if (doesUserAlreadyExistAndIfSoAlert(newName, nullptr, alertShell)) return;
        m_lstUsers->setItem(index, newName);
        m_tbfAccounts->getItem(index)->setText(shown(newName));
        updateStatusText();
        m_isDirty = true;
        RLPreferences::renameUser(index, newName);
        renamed = true;
    });
    return renamed;
}

bool SetupDialog::doesNameContainInvalidCharactersAndIfSoAlert(const std::string& name, tk::Control* focus,
                                                               tk::Shell* alertShell) {
    for (char c : FORBIDDEN) {
        if (name.find(c) == std::string::npos) continue;
        SWTUtil::showMessageBoxTitleKey(alertShell, text("SetupDialog.InvalidNameCharacters1") + FORBIDDEN_LIST,
                                        RLConstants::ProductNameDisplay(), "SetupDialog.InvalidNameCharacters2",
                                        tk::ICON_WARNING | tk::OK);
        if (focus) focus->setFocus();
        return true;
    }
    return false;
}

bool SetupDialog::doesUserAlreadyExistAndIfSoAlert(const std::string& name, tk::Control* focus,
                                                   tk::Shell* alertShell) {
    for (int i = m_tbfAccounts->getItemCount() - 1; i >= 0; --i) {
        if (!equalsIgnoreCase(tabName(*m_tbfAccounts->getItem(i)), name)) continue;
        SWTUtil::showMessageBoxTitleKey(
            alertShell, text("SetupDialog.AlreadyExists1") + name + text("SetupDialog.AlreadyExists2"),
            RLConstants::ProductNameDisplay(), "SetupDialog.AlreadyExists3", tk::ICON_WARNING | tk::OK);
        if (focus) focus->setFocus();
        return true;
    }
    return false;
}

void SetupDialog::event_btnRemoveUserSelection() {
    const int index = m_lstUsers->getSelectionIndex();
    if (index < 0) {
        warn(m_shell.get(), "SetupDialog.NoUserSelected1", "SetupDialog.NoUserSelected2");
        m_lstUsers->setFocus();
        return;
    }
    if (m_lstUsers->getItemCount() == 1) {
        warn(m_shell.get(), "SetupDialog.NoUsers1", "SetupDialog.NoUsers2");
        m_lstUsers->setFocus();
        return;
    }
    const std::string question = text("SetupDialog.RemoveUserConfirmation1") + " '" + m_lstUsers->getItem(index) +
                                 "' " + text("SetupDialog.RemoveUserConfirmation2");
    if (SWTUtil::showMessageBoxTitleKey(m_shell.get(), question, RLConstants::ProductNameDisplay(),
                                        "SetupDialog.RemoveUserConfirmation3",
                                        tk::ICON_QUESTION | tk::YES | tk::NO) != tk::YES) {
        return;
    }
    m_isDirty = true;
    RLPreferences::removeUser(index);
    m_lstUsers->remove(index);
    m_processSave = false;
    tk::TabItem* tab = m_tbfAccounts->getItem(index);
    m_userColorMap.erase(tab);
    tab->dispose();
    m_processSave = true;

    // The removed user's login goes nowhere: the panel starts again with
    // user 0, and the pair it shows is the pair it loads.
    m_lstUsers->select(0);
    m_tbfAccounts->setSelection(0);
    showUser(0);
}

// ---------------------------------------------------------------------------
// The login panel

void SetupDialog::showUser(int user) {
    updateStatusText();
    m_doNotTriggerUserSelectionChangedEvent = false;
    m_doNotTriggerAccountSelectionChangedEvent = false;
    m_lastUser = user;
    m_lastAccount = m_lstAccounts->getSelectionIndex();
    load();
    m_lstUsers->select(user);
    m_cmpAccount->setVisible(true);
}

void SetupDialog::load() {
    runGuarded("show a login", [this] {
        const std::string display = m_lstAccounts->getItem(m_lstAccounts->getSelectionIndex());
        const std::string key = keyOfDisplay(display);
        const int user = m_tbfAccounts->getSelectionIndex();
        const tracker::SourceConfig* config = RLPreferences::getConfig(key);
        const std::string passwordLabel = config ? config->getPasswordLabel() : "";
        const std::string password2Label = config ? config->getPassword2Label() : "";
        m_lblUsername->setText(shown(config ? config->getUsernameLabel() : ""));
        m_lblPassword->setText(shown(passwordLabel));
        m_lblPassword2->setText(shown(password2Label));
        m_txtUsername->setText(RLPreferences::getUsername(user, key));
        auto fill = [](tk::Text& field, const std::string& label, const std::string& stored) {
            field.setText(label.empty() ? "" : stored);
            field.setVisible(!label.empty());
        };
        fill(*m_txtPassword, passwordLabel, RLPreferences::getPassword(user, key));
        fill(*m_txtPassword2, password2Label, RLPreferences::getPassword2(user, key));
    });
}

bool SetupDialog::storePanel() {
    if (m_lastUser < 0 || m_lastAccount < 0 || m_lastAccount >= m_lstAccounts->getItemCount()) return true;
    return save(m_lastUser, m_lstAccounts->getItem(m_lastAccount), m_txtUsername->getText(),
                m_txtPassword->getText(), m_txtPassword2->getText());
}

bool SetupDialog::save(int user, const std::string& display, const std::string& username,
                       const std::string& password, const std::string& password2) {
    if (!m_processSave) return true;
    bool stored = false;
    if (!runGuarded("store a login", [&] { stored = saveLogin(user, display, username, password, password2); })) {
        return false;
    }
    return stored;
}

bool SetupDialog::saveLogin(int user, const std::string& display, const std::string& username,
                            const std::string& password, const std::string& password2) {
    if (!m_lblPassword->getText().empty() && username.empty() != password.empty()) {
        const bool second = !m_lblPassword2->getText().empty();
        const std::string base = second ? "SetupDialog.TopTwoFields" : "SetupDialog.BothFields";
        const std::string message = Messages::get(base + "1") + " " + RLPreferences::getDisplayNameForUser(user) +
                                    " : " + display + Messages::get(base + "2") + "\r\n\r\n" +
                                    Messages::get(base + "3");
        SWTUtil::showMessageBoxTitleKey(m_shell.get(), message, RLConstants::ProductNameDisplay(), base + "4",
                                        tk::ICON_WARNING | tk::OK);
        m_tbfMain->setSelection(MAIN_ACCOUNTS_TAB);
        (username.empty() ? m_txtUsername : m_txtPassword)->setFocus();
        return false;
    }

    const std::string key = keyOfDisplay(display);
    const std::string storedUsername = RLPreferences::getUsername(user, key);
    const std::string storedPassword = RLPreferences::getPassword(user, key);
    const std::string storedPassword2 = RLPreferences::getPassword2(user, key);
    const bool nowEmpty = username.empty() && password.empty() && password2.empty();
    if (nowEmpty && storedUsername.empty() && storedPassword.empty() && storedPassword2.empty()) return true;
    if (username == storedUsername && password == storedPassword && password2 == storedPassword2) return true;

    m_isDirty = true;
    m_shouldCheckAllOnClose = true;
    RLPreferences::setUsername(user, key, username);
    RLPreferences::setPassword(user, key, password);
    if (!storedPassword2.empty() || !password2.empty()) RLPreferences::setPassword2(user, key, password2);

    auto filledNow = [](const std::string& before, const std::string& after) { return before.empty() && !after.empty(); };
    if (filledNow(storedUsername, username) || filledNow(storedPassword, password) ||
        filledNow(storedPassword2, password2)) {
        // A new account, or a credential added: it starts afresh.
        RLPreferences::setPreviousBalance(user, key, RLPreferences::DISPLAY_NEVER_CHECKED);
        RLPreferences::setCurrentBalance(user, key, RLPreferences::DISPLAY_PENDING);
        if (RLPreferences::getDetails(user, key)) RLPreferences::setDetails(user, key, "");
    } else if (nowEmpty) {
        RLPreferences::removeAccount(user, key);
    }
    return true;
}

void SetupDialog::updateStatusText() {
    tk::TabItem* tab = m_tbfAccounts->getSelection();
    const int program = m_lstAccounts->getSelectionIndex();
    if (!tab || program < 0) return;
    m_lblStatus->setText(shown(tabName(*tab) + " : " + m_lstAccounts->getItem(program)));
    if (!BaseRLApp::isAppTypeBranded()) return;
    const int position = getUserColorPosition(tab);
    if (position >= 0 && m_userColors[position]) m_lblStatus->setForeground(*m_userColors[position]);
}

void SetupDialog::event_lstAccountsSelection() {
    if (!m_doNotTriggerAccountSelectionChangedEvent && !storePanel()) {
        // The fields keep what was refused.
        m_lstAccounts->select(m_lastAccount);
        return;
    }
    updateStatusText();
    m_doNotTriggerAccountSelectionChangedEvent = false;
    m_lastAccount = m_lstAccounts->getSelectionIndex();
    load();
}

void SetupDialog::event_tbfAccountsSelection() {
    if (m_lstAccounts->getSelectionIndex() < 0) return;
    if (!m_doNotTriggerUserSelectionChangedEvent && !storePanel()) {
        // Back to the user whose login was refused, in the list too.
        m_tbfAccounts->setSelection(m_lastUser);
        m_lstUsers->select(m_lastUser);
        m_cmpAccount->setVisible(true);
        return;
    }
    showUser(m_tbfAccounts->getSelectionIndex());
}

void SetupDialog::event_lstUsersSelection() {
    const int index = m_lstUsers->getSelectionIndex();
    if (index < 0) return;
    m_tbfAccounts->setSelection(index);
    event_tbfAccountsSelection();
}

void SetupDialog::event_tbfMainSelection() {
    if (m_tbfMain->getSelectionIndex() != MAIN_USERS_TAB) return;
    // A refusal shows the Accounts tab again.
    storePanel();
}

void SetupDialog::event_btnRemoveAccountSelection() {
    m_txtUsername->setText("");
    m_txtPassword->setText("");
    m_txtPassword2->setText("");
}

}  // namespace tracker::ui
