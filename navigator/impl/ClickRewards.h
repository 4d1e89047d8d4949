#pragma once
// ClickRewards: the first address logs any earlier session off; the
// statement page then shows the balance when the user is logged in, else
// its login form, which is filled and sent. Each login step stands on its
// own: one that fails does not stop the next.

#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class ClickRewards : public SiteNavigator {
public:
    ClickRewards() : SiteNavigator("ClickRewards") {}

    std::string getInitialURL() override;
    void onDocumentCompleteImpl(const std::string& url) override;

private:
    // The login is sent once; a login page that comes back after it (a
    // rejected login) is left to the user instead of being sent again.
    bool m_loginSent = false;
};

}  // namespace navigator::impl
