#include "navigator/impl/Japan.h"

namespace navigator::impl {

bool Japan::japanese() const {
    const std::string selector = secondCredential();
    return selector == "j" || selector == "J";
}

std::string Japan::getInitialURL() {
    return japanese() ? address("{japanese}/login_page/jmb_login.html") : address("/e/jmb/members/login.php");
}

void Japan::onDocumentCompleteImpl(const std::string&) {
    if (japanese()) {
        all().setInputTextElementValue("member_no", username());
        all().setInputTextElementValue("access_cd", password());
    } else {
        all().setInputTextElementValue("NO", username());
        all().setInputTextElementValue("PIN", password());
    }
    all().clickInputSubmitElement();
    finish();
}

}  // namespace navigator::impl
