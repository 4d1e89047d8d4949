#pragma once
// Lufthansa: the login form's name and its fields' names carry an
// identifier the page makes up; it is read from the form's markup.

#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class Lufthansa : public SiteNavigator {
public:
    Lufthansa() : SiteNavigator("Lufthansa") {}

    std::string getInitialURL() override { return address("/online/portal/lh/de/my_lufthansa/my_account?tl=1&l=de"); }
    void onDocumentCompleteImpl(const std::string& url) override;
};

}  // namespace navigator::impl
