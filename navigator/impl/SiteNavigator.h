#pragma once
// What every site navigator of the table and the hand-written ones share:
// the program key, the site's hosts from the host table and addresses
// written as templates.
//
// An address template is a path on the site's own host ("/login.do"), or
// text with these pieces filled in:
//   {site}      the site's scheme and host (host role "Navigator." + key)
//   {host}      the site's host (with its port when it has one)
//   {user}      the user name, {password} the password, percent-encoded
//   {<role>}    the scheme and host of another host of the site
//               (role "Navigator." + key + "." + role)

#include <string>

#include "navigator/RLNavigator.h"

namespace navigator::impl {

class SiteNavigator : public RLNavigator {
public:
    explicit SiteNavigator(std::string key) : m_key(std::move(key)) {}

    const std::string& key() const { return m_key; }
    std::string address(const std::string& pattern) const;

    const std::string& username() const { return m_username; }
    const std::string& password() const { return m_password; }
    std::string secondCredential() const { return password2(); }

    // The current page; a failure before the first one.
    HTMLDocument& document();
    HTMLElementCollection& all();

    // Done, and the browser handed to the user.
    void finish() { dispose(); }
    // Done and the browser visible and talkative, but not released.
    void finishAndNotify() {
        setDone();
        notifyComplete();
    }

    using BaseNavigator::navigate;

private:
    std::string m_key;
};

}  // namespace navigator::impl
