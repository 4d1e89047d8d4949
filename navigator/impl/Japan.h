#pragma once
// Japan Airlines: the second credential chooses the member site, "j" (any
// case) the Japanese one, anything else (or nothing) the English one.

#include "navigator/impl/SiteNavigator.h"

namespace navigator::impl {

class Japan : public SiteNavigator {
public:
    Japan() : SiteNavigator("Japan") {}

    std::string getInitialURL() override;
    void onDocumentCompleteImpl(const std::string& url) override;

private:
    bool japanese() const;
};

}  // namespace navigator::impl
