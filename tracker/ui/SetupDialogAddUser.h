#pragma once
// The "Add New User" dialog of the Users & Accounts dialog: asks for the
// name of a new user and adds it.

#include "tracker/ui/UserNameDialog.h"

namespace tracker::ui {

class SetupDialogAddUser : public UserNameDialog {
public:
    // Builds and opens the dialog over the Users & Accounts dialog parent,
    // whose shell is parentShell.
    SetupDialogAddUser(SetupDialog* parent, tk::Shell* parentShell, BaseRLApp* rl);

protected:
    bool apply(const std::string& name) override;
};

}  // namespace tracker::ui
