#pragma once
// The About box of the Help menu: product name and version, release date,
// the product's web site, the credit line and the contact address. OK (the
// default button, so also Enter) closes it.

#include <memory>

#include "platform/toolkit/Types.h"
#include "tracker/ui/BaseDialog.h"

namespace tk {
class Button;
class Label;
class Shell;
}  // namespace tk

namespace tracker::ui {

class BaseRLApp;

class AboutDialog : public BaseDialog {
public:
    static constexpr const char* VERSION_TEXT = "2.0 Build 20060430";
    static constexpr const char* RELEASE_DATE = "April 30, 2006";
    static constexpr const char* RELEASE_DATE_FARHAVEN = "30 April 2006";

    // Builds the dialog without opening it.
    AboutDialog(tk::Shell* parent, BaseRLApp* trackerWindow);

    void event_btnOKSelection();

    tk::Label* getNameLabel() const { return m_lblName.get(); }
    tk::Label* getReleasedLabel() const { return m_lblReleased.get(); }
    tk::Label* getWebsiteLabel() const { return m_lblWebsite.get(); }
    tk::Label* getCreditLabel() const { return m_lblCredit.get(); }
    tk::Label* getContactLabel() const { return m_lblContact.get(); }
    tk::Button* getOKButton() const { return m_btnOK.get(); }

private:
    tk::Cursor m_cursorHand;
    std::shared_ptr<tk::Label> m_lblName;
    std::shared_ptr<tk::Label> m_lblReleased;
    std::shared_ptr<tk::Label> m_lblWebsite;
    std::shared_ptr<tk::Label> m_lblCredit;
    std::shared_ptr<tk::Label> m_lblContact;
    std::shared_ptr<tk::Button> m_btnOK;
};

}  // namespace tracker::ui
