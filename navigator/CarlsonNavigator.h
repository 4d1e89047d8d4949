#pragma once
// The shared navigator of the hotel brands of one points programme: each
// brand's site is named by its domain word; every page gets the login form
// filled and submitted.

#include <string>

#include "navigator/RLNavigator.h"

namespace navigator {

class CarlsonNavigator : public RLNavigator {
public:
    virtual std::string getDomainName() = 0;
    // "/guestaccess/secure/home.jsp" on the brand's host.
    std::string getInitialURL() override;
    void onDocumentCompleteImpl(const std::string& url) override;
};

}  // namespace navigator
