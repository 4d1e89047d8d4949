#include "navigator/impl/Ebay.h"

namespace navigator::impl {

void Ebay::onDocumentCompleteImpl(const std::string& url) {
    if (url == getInitialURL()) {
        if (document().getDocumentElementInnerHTML().find("<TITLE>PayPal - Abort</TITLE>") != std::string::npos) {
            navigate(getInitialURL());
            return;
        }
        all().setInputTextElementValue("login_email", username());
        all().setInputTextElementValue("login_password", password());
        all().clickElement("submit");
        return;
    }
    if (url.rfind(address("/us/cgi-bin/webscr?cmd=_login-processing&login_cmd=_login-done&login_access="), 0) == 0) {
        navigate(address("/REDEMPCODES"));
    }
    finish();
}

}  // namespace navigator::impl
