#pragma once
// The shared navigator of the airline clubs on one member-area platform:
// every page gets the club's login form filled and submitted.

#include <string>

#include "navigator/RLNavigator.h"

namespace navigator {

class LoyaltyGateNavigator : public RLNavigator {
public:
    void onDocumentCompleteImpl(const std::string& url) override;
};

}  // namespace navigator
