#include "tracker/ui/SetupDialogRenameUser.h"

#include "tracker/ui/SetupDialog.h"

namespace tracker::ui {

SetupDialogRenameUser::SetupDialogRenameUser(SetupDialog* parent, tk::Shell* parentShell, BaseRLApp* rl)
    : UserNameDialog(parent, parentShell, rl) {
    build("SetupDialogRenameUser");
}

bool SetupDialogRenameUser::apply(const std::string& name) { return m_parent && m_parent->renameUserFromExternalDialog(name, m_shell.get()); }

}  // namespace tracker::ui
