#include "tracker/ui/SetupDialogAddUser.h"

#include "tracker/ui/SetupDialog.h"

namespace tracker::ui {

SetupDialogAddUser::SetupDialogAddUser(SetupDialog* parent, tk::Shell* parentShell, BaseRLApp* rl)
    : UserNameDialog(parent, parentShell, rl) {
    build("SetupDialogAddUser");
}

bool SetupDialogAddUser::apply(const std::string& name) { return m_parent && m_parent->addUserFromExternalDialog(name, m_shell.get()); }

}  // namespace tracker::ui
