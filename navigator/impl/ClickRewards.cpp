#include "navigator/impl/ClickRewards.h"

#include "navigator/impl/SiteKit.h"

namespace navigator::impl {

std::string ClickRewards::getInitialURL() {
    return address("/info/CRequestHandlerServlet?style=clickrewards&request=CLogOffRequest");
}

void ClickRewards::onDocumentCompleteImpl(const std::string& url) {
    if (url == getInitialURL()) {
        navigate(address("/statement/statement.html"));
        return;
    }
    if (url != address("/statement/statement.html") && url != address("/info/CRequestHandlerServlet")) {
        finish();
        return;
    }
    if (document().getBodyInnerHTML().find("Balance*:") != std::string::npos || m_loginSent) {
        finish();
        return;
    }
    m_loginSent = true;
    // A step the page lacks is passed over; the next one still runs.
    for (const Step& step : {field("consumerEmailAddress", user()), field("consumerPassword", impl::password()),
                             pressName("Submit"), pressName("Send")}) {
        ignoringFailure({step})(*this);
    }
}

}  // namespace navigator::impl
