#include "navigator/impl/SAS.h"

namespace navigator::impl {

std::string SAS::getInitialURL() {
    return address(
        "/EC/Appl/Home/FrontDoor/"
        "0,3479,LNG%253Den%2526SO%253D50991846B2A641F6_A322D85C6245E990%2526MKT%253DUS,00.html");
}

void SAS::onDocumentCompleteImpl(const std::string& url) {
    if (url != getInitialURL() && url != address("{member}/ibp/custprof/LoginControl.aspx")) {
        finish();
        return;
    }
    if (m_loggedIn) {
        navToAccountView();
        return;
    }
    all().setInputTextElementValue("username", username());
    all().setInputTextElementValue("password", password());
    all().clickInputElementBasedOnSrc("normal_iconGo.gif");
    m_loggedIn = true;
}

void SAS::navToAccountView() {
    navigate(address("{member}/ibp/eurobonus/EBAccountView.aspx?MKT=US"));
    finish();
}

}  // namespace navigator::impl
