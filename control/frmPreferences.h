#pragma once
// "Profile & Preferences": edits the owning control's preferences, writes
// the preference file and has the control raise its preferences event.

#include <memory>
#include <string>
#include <vector>

#include "control/ModalForm.h"

namespace tk {
class Button;
class Combo;
class Text;
}  // namespace tk

namespace tiraleaf {

class PopupMenu;

class frmPreferences : public ModalForm {
public:
    static constexpr const char* CAPTION = "Profile & Preferences";

    explicit frmPreferences(tk::Shell* parent);
    ~frmPreferences() override;

    // Gives the owner and loads its values into the fields.
    void SetOwner(PopupMenu* owner);

    // The two-letter codes of the state list, AK to WY.
    static const std::vector<std::string>& StateCodes();
    // The form shown now, if any.
    static frmPreferences* Current();

    tk::Text* txtZipCode() const { return m_txtZipCode.get(); }
    tk::Text* txtUpdateFrequency() const { return m_txtUpdateFrequency.get(); }
    tk::Text* txtTVGuideEmail() const { return m_txtTVGuideEmail.get(); }
    tk::Text* txtOrbitzDefaultDeparture() const { return m_txtOrbitzDefaultDeparture.get(); }
    tk::Text* txtMapquestDefaultStreet() const { return m_txtMapquestDefaultStreet.get(); }
    tk::Text* txtMapquestDefaultCity() const { return m_txtMapquestDefaultCity.get(); }
    tk::Combo* cmbMapquestDefaultState() const { return m_cmbMapquestDefaultState.get(); }
    tk::Text* txtMapquestDefaultZipCode() const { return m_txtMapquestDefaultZipCode.get(); }
    tk::Button* chkUpdateOnLaunch() const { return m_chkUpdateOnLaunch.get(); }
    tk::Button* chkUnloadOnHide() const { return m_chkUnloadOnHide.get(); }
    tk::Combo* cmbTraySize() const { return m_cmbTraySize.get(); }
    tk::Button* chkLaunchOnStartup() const { return m_chkLaunchOnStartup.get(); }
    tk::Button* btnTVGuideEmail() const { return m_btnTVGuideEmail.get(); }
    tk::Button* btnOK() const { return m_btnOK.get(); }
    tk::Button* btnCancel() const { return m_btnCancel.get(); }

private:
    void Form_Load();
    void btnOK_Click();

    PopupMenu* m_owner = nullptr;
    std::shared_ptr<tk::Text> m_txtZipCode;
    std::shared_ptr<tk::Text> m_txtUpdateFrequency;
    std::shared_ptr<tk::Text> m_txtTVGuideEmail;
    std::shared_ptr<tk::Button> m_btnTVGuideEmail;
    std::shared_ptr<tk::Text> m_txtOrbitzDefaultDeparture;
    std::shared_ptr<tk::Text> m_txtMapquestDefaultStreet;
    std::shared_ptr<tk::Text> m_txtMapquestDefaultCity;
    std::shared_ptr<tk::Combo> m_cmbMapquestDefaultState;
    std::shared_ptr<tk::Text> m_txtMapquestDefaultZipCode;
    std::shared_ptr<tk::Button> m_chkUpdateOnLaunch;
    std::shared_ptr<tk::Button> m_chkUnloadOnHide;
    std::shared_ptr<tk::Combo> m_cmbTraySize;
    std::shared_ptr<tk::Button> m_chkLaunchOnStartup;
    std::shared_ptr<tk::Button> m_btnOK;
    std::shared_ptr<tk::Button> m_btnCancel;
};

}  // namespace tiraleaf
