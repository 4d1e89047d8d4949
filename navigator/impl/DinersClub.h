#pragma once
// Diners Club: logs in, walks from the menu to the statement page and
// there asks for the latest billed statement, whose date it reads from
// the page's script.

#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class DinersClub : public SiteNavigator {
public:
    DinersClub() : SiteNavigator("DinersClub") {}

    std::string getInitialURL() override { return address("/ptl/login.do"); }
    void onDocumentCompleteImpl(const std::string& url) override;

private:
    void chooseStatement();
};

}  // namespace navigator::impl
