#pragma once
// The "Rename Selected User" dialog of the Users & Accounts dialog: asks
// for a new name for the user selected in the Users list.

#include "tracker/ui/UserNameDialog.h"

namespace tracker::ui {

class SetupDialogRenameUser : public UserNameDialog {
public:
    // Builds and opens the dialog over the Users & Accounts dialog parent,
    // whose shell is parentShell.
    SetupDialogRenameUser(SetupDialog* parent, tk::Shell* parentShell, BaseRLApp* rl);

protected:
    bool apply(const std::string& name) override;
};

}  // namespace tracker::ui
