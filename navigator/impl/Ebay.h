#pragma once
// eBay, through its payment site: the login page is asked for again when
// it answers with its abort page; after the login the redemption codes
// page is opened.

#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class Ebay : public SiteNavigator {
public:
    Ebay() : SiteNavigator("Ebay") {}

    std::string getInitialURL() override { return address("/us/cgi-bin/webscr?cmd=_login-run"); }
    void onDocumentCompleteImpl(const std::string& url) override;
};

}  // namespace navigator::impl
