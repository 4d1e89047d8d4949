#include "navigator/LoyaltyGateNavigator.h"

namespace navigator {

void LoyaltyGateNavigator::onDocumentCompleteImpl(const std::string&) {
    std::shared_ptr<HTMLForm> form = m_doc->getForm("login");
    form->setInputTextElementValue("number", m_username);
    form->setInputTextElementValue("PINCode", m_password);
    form->submit();
    dispose();
}

}  // namespace navigator
