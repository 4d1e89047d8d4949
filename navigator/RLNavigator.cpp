#include "navigator/RLNavigator.h"

#include "foundation/StrUtil.h"

namespace navigator {

void RLNavigator::setUsername(const std::string& username) { m_username = username; }

void RLNavigator::setSimpleUsernameAndPassword(const std::string& usernameField, const std::string& passwordField) {
    m_all->setInputTextElementValue(usernameField, m_username);
    m_all->setInputTextElementValue(passwordField, m_password);
}

void RLNavigator::setPassword2(const std::optional<std::string>& password2) { m_password2 = password2; }

void RLNavigator::setPassword(const std::string& password) { m_password = password; }

std::string RLNavigator::maskSecrets(const std::string& text) const {
    return foundation::StrUtil::maskSecrets(text, {m_password, password2()});
}

}  // namespace navigator
