#pragma once
// SAS: logs in on its front door or its login-control page; the next of
// those pages after the login opens the account view.

#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class SAS : public SiteNavigator {
public:
    SAS() : SiteNavigator("SAS") {}

    std::string getInitialURL() override;
    void onDocumentCompleteImpl(const std::string& url) override;

private:
    void navToAccountView();

    bool m_loggedIn = false;
};

}  // namespace navigator::impl
