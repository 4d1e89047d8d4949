#include "navigator/impl/ClickRewards.h"

#include <functional>

namespace navigator::impl {

namespace {

void tryStep(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception&) {
        // The page lacks this piece; the next step still runs.
    }
}

}  // namespace

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
    tryStep([this] { all().setInputTextElementValue("consumerEmailAddress", username()); });
    tryStep([this] { all().setInputTextElementValue("consumerPassword", password()); });
    tryStep([this] { all().clickElement("Submit"); });
    tryStep([this] { all().clickElement("Send"); });
}

}  // namespace navigator::impl
