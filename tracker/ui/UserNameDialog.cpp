#include "tracker/ui/UserNameDialog.h"

#include "foundation/Messages.h"
#include "platform/toolkit/Toolkit.h"

namespace tracker::ui {

using foundation::Messages;

namespace {

constexpr int WIDTH = 272;
constexpr int HEIGHT = 142;

}  // namespace

UserNameDialog::UserNameDialog(SetupDialog* parent, tk::Shell* parentShell, BaseRLApp* rl) : m_parent(parent) {
    m_parentShell = parentShell;
    m_rl = rl;
}

void UserNameDialog::build(const std::string& keyPrefix) {
    runGuarded("build the " + keyPrefix + " dialog", [&] {
        // Modal over the Users & Accounts dialog, which is modal itself: as
        // its child it is the one window that takes input, and it goes when
        // that dialog goes.
        m_shell = tk::make<tk::Shell>(m_parentShell, tk::APPLICATION_MODAL | tk::DIALOG_TRIM);
        m_shell->setSize(WIDTH, HEIGHT);
        m_shell->setText(Messages::get(keyPrefix + ".Title"));
        setIconOnShell();
        centerDialog();

        m_lbl = addLabel(m_shell.get(), Messages::get(keyPrefix + ".Label"), 248, 20, 8, 8);
        m_lbl->setAlignment(tk::CENTER);
        m_txtName = addText(m_shell.get(), "", 248, 20, 8, 36);
        m_txtName->setTextLimit(NAME_LIMIT);
        m_btnCancel = addButton(m_shell.get(), Messages::get(keyPrefix + ".Cancel"), 120, 24, 8, 74);
        m_btnCancel->addSelectionListener([this](tk::Event&) { m_shell->dispose(); });
        m_btnOK = addButton(m_shell.get(), Messages::get(keyPrefix + ".OK"), 120, 24, 136, 74);
        onSelection(*m_btnOK, "use the name typed", [this] {
            if (apply(m_txtName->getText())) m_shell->dispose();
        });
        m_shell->setDefaultButton(m_btnOK.get());
        m_shell->open();
        // Ready for the name to be typed.
        m_txtName->setFocus();
    });
}

}  // namespace tracker::ui
