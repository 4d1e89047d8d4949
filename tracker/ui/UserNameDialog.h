#pragma once
// What the Add New User and Rename Selected User dialogs share: a small
// modal window over the Users & Accounts dialog with an instruction, a name
// field of at most 100 characters, Cancel and a default button that hands
// the name to the Users & Accounts dialog. The name is checked and used
// there; a refusal leaves this dialog open with what was typed, for another
// try. Cancel and the close box change nothing.

#include <memory>
#include <string>

#include "tracker/ui/BaseDialog.h"

namespace tk {
class Button;
class Label;
class Shell;
class Text;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;
class SetupDialog;

class UserNameDialog : public BaseDialog {
public:
    static constexpr int NAME_LIMIT = 100;

    tk::Label* getLabel() const { return m_lbl.get(); }
    tk::Text* getNameField() const { return m_txtName.get(); }
    tk::Button* getCancelButton() const { return m_btnCancel.get(); }
    tk::Button* getOKButton() const { return m_btnOK.get(); }

protected:
    UserNameDialog(SetupDialog* parent, tk::Shell* parentShell, BaseRLApp* rl);

    // Builds and opens the dialog with the texts of the catalogue keys that
    // begin with keyPrefix (".Title", ".Label", ".Cancel", ".OK").
    void build(const std::string& keyPrefix);
    // Hands the name to the Users & Accounts dialog; true when it was taken.
    virtual bool apply(const std::string& name) = 0;

    SetupDialog* m_parent = nullptr;
    std::shared_ptr<tk::Label> m_lbl;
    std::shared_ptr<tk::Text> m_txtName;
    std::shared_ptr<tk::Button> m_btnCancel;
    std::shared_ptr<tk::Button> m_btnOK;
};

}  // namespace tracker::ui
