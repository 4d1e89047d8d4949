#include "navigator/CarlsonNavigator.h"

#include "foundation/HostTable.h"
#include "platform/automation/Variant.h"

namespace navigator {

std::string CarlsonNavigator::getInitialURL() {
    // The brand hosts are the ones the tracker's shared flow uses.
    return foundation::HostTable::url("Carlson." + getDomainName(), "/guestaccess/secure/home.jsp");
}

void CarlsonNavigator::onDocumentCompleteImpl(const std::string&) {
    std::shared_ptr<HTMLForm> form = m_doc->getForm("loginForm");
    form->setInputTextElementValue("emailAddr", m_username);
    form->setInputTextElementValue("password", m_password);
    form->submit();
    dispose();
}

}  // namespace navigator
