#pragma once
// The Users & Accounts dialog. Two main tabs: "Users", the list of people
// whose accounts are tracked, with add, rename and remove; and "Accounts",
// one tab per user over a single shared panel that shows, for the user of
// the selected tab and the program selected in the panel's list, the login
// the tracker uses on that program's site.
//
// Every change goes into the tracker preferences at once: a user when it is
// added, renamed or removed, a login when the panel is left for another
// program, another user or the Users tab. Done then writes the settings file
// and has the window rebuild its pages; the close box ends the dialog
// without storing the login being edited and without writing the file.
//
// The panel shows exactly one (user, program) pair at a time, the pair its
// fields were loaded for (m_lastUser, m_lastAccount). Leaving the pair stores
// the fields into that pair, or is refused with a message when the login is
// half filled, and the selection goes back to the pair. Selections made by
// the program fire no events, so the handlers run only for the user's own
// choices (and where this dialog calls them itself).
//
// The layout depends on the edition: the portal and Farhaven editions get a
// dialog of 608 x 372 (modal; resizable in Farhaven), the branded editions a
// panel without trim placed over the tracker by its wrapper, with coloured
// user tabs. User-interface thread only.

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/toolkit/Types.h"
#include "tracker/ui/BaseDialog.h"

namespace tk {
class Button;
class Composite;
class Control;
class Image;
class Label;
class List;
class Shell;
class TabFolder;
class TabItem;
class Text;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;
class IWrapper;

class SetupDialog : public BaseDialog {
public:
    static constexpr int MAIN_USERS_TAB = 0;
    static constexpr int MAIN_ACCOUNTS_TAB = 1;
    static constexpr int DEFAULT_SHELL_WIDTH = 608;
    static constexpr int DEFAULT_SHELL_HEIGHT = 372;
    static constexpr int USER_COLOR_COUNT = 6;
    static constexpr const char* USER_COLOR_DIR = "usercolors";
    static const std::array<const char*, USER_COLOR_COUNT> USER_COLOR_FILES;
    static const std::array<int, USER_COLOR_COUNT> USER_COLOR_REDS;
    static const std::array<int, USER_COLOR_COUNT> USER_COLOR_GREENS;
    static const std::array<int, USER_COLOR_COUNT> USER_COLOR_BLUES;

    // Builds the whole dialog without opening it. wrapper is the outer
    // window of the Brightwire edition, nullptr in the others.
    SetupDialog(tk::Shell* parentShell, BaseRLApp* rl, IWrapper* wrapper);

    // Keeps the dialog in front of control in the window order; nothing once
    // the dialog has ended.
    virtual void moveAbove(tk::Control* control);
    // Stores the shown login, writes the settings file, has the window
    // rebuild its pages and ends the dialog. False, with the dialog left
    // open, when the login is refused.
    bool done(bool navigateWrapper);

    // ---- Users --------------------------------------------------------------------
    // Checks and adds a user on behalf of the Add New User dialog; a refusal
    // is told on alertShell and answers false.
    bool addUserFromExternalDialog(const std::string& name, tk::Shell* alertShell);
    // Checks and renames the user selected in the list.
    bool renameUserFromExternalDialog(const std::string& newName, tk::Shell* alertShell);
    // True, after telling the user, when the name holds a character a name
    // cannot hold; focus (when given) then gets the keyboard focus.
    bool doesNameContainInvalidCharactersAndIfSoAlert(const std::string& name, tk::Control* focus,
                                                      tk::Shell* alertShell);
    // True, after telling the user, when a user of that name (ignoring case)
    // exists.
    bool doesUserAlreadyExistAndIfSoAlert(const std::string& name, tk::Control* focus, tk::Shell* alertShell);
    void addUserTab(const std::string& name);
    void event_btnRemoveUserSelection();

    // ---- The login panel ------------------------------------------------------------
    // Shows the login of (selected user tab, selected program).
    void load();
    // Takes the field values over into the account of user and the program
    // shown as display; false when refused (a message was shown).
    bool save(int user, const std::string& display, const std::string& username, const std::string& password,
              const std::string& password2);
    void updateStatusText();
    void event_tbfMainSelection();
    void event_tbfAccountsSelection();
    void event_lstUsersSelection();
    void event_lstAccountsSelection();
    // Empties the three fields; the next store removes the account.
    void event_btnRemoveAccountSelection();

    // ---- Layout by edition ----------------------------------------------------------
    void setBtnDoneLocationForFarhaven();
    void setBtnDoneLocationForBRTW();
    void handleShellResizeForFarhaven();
    void handleShellResizeForBRTW();
    void handleShellResizeForRoambay();

    // ---- Shared by every dialog of the process --------------------------------------
    // Branded editions: loads the six tab images and colours once per
    // process and starts the colour positions afresh.
    static void initColors();
    // Releases the images and colours.
    static void cleanUp();

    // ---- What the window and tests see of the dialog --------------------------------
    tk::TabFolder* getMainFolder() const { return m_tbfMain.get(); }
    tk::TabFolder* getAccountsFolder() const { return m_tbfAccounts.get(); }
    tk::Composite* getUsersPanel() const { return m_cmpUsers.get(); }
    tk::Composite* getAccountPanel() const { return m_cmpAccount.get(); }
    tk::List* getUserList() const { return m_lstUsers.get(); }
    tk::List* getAccountList() const { return m_lstAccounts.get(); }
    tk::Button* getAddUserButton() const { return m_btnAddUser.get(); }
    tk::Button* getRenameUserButton() const { return m_btnRenameUser.get(); }
    tk::Button* getRemoveUserButton() const { return m_btnRemoveUser.get(); }
    tk::Button* getRemoveAccountButton() const { return m_btnRemoveAccount.get(); }
    tk::Button* getDoneButton() const { return m_btnDone.get(); }
    tk::Label* getNoteLabel() const { return m_lblNote.get(); }
    tk::Label* getStatusLabel() const { return m_lblStatus.get(); }
    tk::Label* getUsernameLabel() const { return m_lblUsername.get(); }
    tk::Label* getHintLabel() const { return m_lblHint.get(); }
    tk::Label* getPasswordLabel() const { return m_lblPassword.get(); }
    tk::Label* getPassword2Label() const { return m_lblPassword2.get(); }
    tk::Text* getUsernameField() const { return m_txtUsername.get(); }
    tk::Text* getPasswordField() const { return m_txtPassword.get(); }
    tk::Text* getPassword2Field() const { return m_txtPassword2.get(); }
    // The Add or Rename dialog opened last (it may have ended).
    BaseDialog* getNameDialog() const { return m_nameDialog.get(); }
    int getLastUser() const { return m_lastUser; }
    int getLastAccount() const { return m_lastAccount; }
    bool isDirty() const { return m_isDirty; }
    bool shouldCheckAllOnClose() const { return m_shouldCheckAllOnClose; }
    // The colour position of a user tab; -1 when it has none.
    static int getUserColorPosition(const tk::TabItem* tab);
    static bool areUserColorImagesLoaded();

private:
    void build();
    void createShell();
    void createUsersTab();
    void createAccountsTab();
    void fillLists();
    tk::TabFolder& styleFolder(tk::TabFolder& folder);
    std::shared_ptr<tk::Button> bindButton(tk::Composite* parent, const std::string& textKey, int width, int x, int y,
                                           const std::string& what, void (SetupDialog::*handler)());
    void resizeForBranded();
    void moveForBranded();
    void placeDefault();
    // Stores the fields into the pair they were loaded for.
    bool storePanel();
    bool saveLogin(int user, const std::string& display, const std::string& username, const std::string& password,
                   const std::string& password2);
    // The pair the panel shows becomes (user, selected program), loaded;
    // what the fields held is not stored here.
    void showUser(int user);
    void warn(tk::Shell* shell, const std::string& textKey, const std::string& titleKey);
    // Open the small dialogs that ask for a name.
    void event_btnAddUserSelection();
    void event_btnRenameUserSelection();
    // A user tab's name as the user typed it.
    static std::string tabName(const tk::TabItem& tab);

    IWrapper* m_wrapper = nullptr;
    std::shared_ptr<tk::TabFolder> m_tbfMain;
    std::shared_ptr<tk::TabItem> m_tbiUsers;
    std::shared_ptr<tk::TabItem> m_tbiAccounts;
    std::shared_ptr<tk::Composite> m_cmpUsers;
    std::shared_ptr<tk::Composite> m_cmpAccounts;
    std::shared_ptr<tk::List> m_lstUsers;
    std::shared_ptr<tk::Button> m_btnAddUser;
    std::shared_ptr<tk::Button> m_btnRenameUser;
    std::shared_ptr<tk::Button> m_btnRemoveUser;
    std::shared_ptr<tk::Label> m_lblNote;
    std::shared_ptr<tk::TabFolder> m_tbfAccounts;
    std::shared_ptr<tk::Composite> m_cmpAccount;
    std::shared_ptr<tk::List> m_lstAccounts;
    std::shared_ptr<tk::Label> m_lblStatus;
    std::shared_ptr<tk::Label> m_lblUsername;
    std::shared_ptr<tk::Label> m_lblHint;
    std::shared_ptr<tk::Label> m_lblPassword;
    std::shared_ptr<tk::Label> m_lblPassword2;
    std::shared_ptr<tk::Text> m_txtUsername;
    std::shared_ptr<tk::Text> m_txtPassword;
    std::shared_ptr<tk::Text> m_txtPassword2;
    std::shared_ptr<tk::Button> m_btnRemoveAccount;
    std::shared_ptr<tk::Button> m_btnDone;
    std::shared_ptr<BaseDialog> m_nameDialog;

    int m_lastUser = -1;
    int m_lastAccount = -1;
    SetupDialog* m_self = nullptr;
    bool m_doNotTriggerUserSelectionChangedEvent = false;
    bool m_doNotTriggerAccountSelectionChangedEvent = false;
    bool m_processSave = true;
    bool m_isDirty = false;
    bool m_shouldCheckAllOnClose = false;

    static std::array<std::shared_ptr<tk::Image>, USER_COLOR_COUNT> m_userColorImages;
    static std::array<std::optional<tk::Color>, USER_COLOR_COUNT> m_userColors;
    static int m_userColorPos;
    static std::map<const tk::TabItem*, int> m_userColorMap;
};

}  // namespace tracker::ui
