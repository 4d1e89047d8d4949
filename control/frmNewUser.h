#pragma once
// The first-run form: asks for the postal code once, writes the first-run
// marker and tells the host about the new user.

#include <memory>
#include <string>

#include "control/ModalForm.h"

namespace tk {
class Button;
class Text;
}  // namespace tk

namespace tiraleaf {

class PopupMenu;

class frmNewUser : public ModalForm {
public:
    static constexpr const char* CAPTION = "Lanternbay - New User Zip Code";

    explicit frmNewUser(tk::Shell* parent);
    ~frmNewUser() override;

    void SetRootDir(const std::string& rootDir) { m_rootDir = rootDir; }
    void SetOwner(PopupMenu* owner) { m_owner = owner; }

    tk::Text* txtZipCode() const { return m_txtZipCode.get(); }
    tk::Button* btnOK() const { return m_btnOK.get(); }
    // The form shown now, if any (tests fill it in from the event loop).
    static frmNewUser* Current();

private:
    void btnOK_Click();

    std::string m_rootDir;
    PopupMenu* m_owner = nullptr;
    std::shared_ptr<tk::Text> m_txtZipCode;
    std::shared_ptr<tk::Button> m_btnOK;
};

}  // namespace tiraleaf
