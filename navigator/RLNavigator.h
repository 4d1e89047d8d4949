#pragma once
// A site navigator with the account's credentials: the user name or member
// number, the password or PIN, and the optional second credential (a last
// name, a card number or a site selector).

#include <optional>
#include <string>

#include "navigator/BaseNavigator.h"

namespace navigator {

class RLNavigator : public BaseNavigator {
public:
    virtual void setUsername(const std::string& username);
    // In the current page's "All": the user name into one field, the
    // password into the other.
    virtual void setSimpleUsernameAndPassword(const std::string& usernameField, const std::string& passwordField);
    // Absent when the program was given three values.
    virtual void setPassword2(const std::optional<std::string>& password2);
    virtual void setPassword(const std::string& password);

protected:
    // The second credential; an absent one reads as "".
    std::string password2() const { return m_password2.value_or(""); }
    // Both passwords, in every form they can take in an address, become
    // "********".
    std::string maskSecrets(const std::string& text) const override;

    std::string m_username;
    std::string m_password;
    std::optional<std::string> m_password2;
};

}  // namespace navigator
