#include "navigator/impl/DinersClub.h"

#include "foundation/StrUtil.h"
#include "platform/automation/AutomationException.h"

namespace navigator::impl {

namespace {

const char* const STATEMENT_PAGE = "/ptl/global/jsps/statements/select_stmtOrDld.jsp";

}  // namespace

void DinersClub::onDocumentCompleteImpl(const std::string& url) {
    if (url == address("/ptl/login.do")) {
        all().setInputTextElementValue("login", username());
        all().setInputTextElementValue("password", password());
        all().clickInputElementBasedOnValue("Login");
    } else if (url == address("/ptl/global/jsps/content/menu.jsp")) {
        navigate(address(STATEMENT_PAGE));
    } else if (url == address(STATEMENT_PAGE)) {
        chooseStatement();
    } else {
        finish();
    }
}

void DinersClub::chooseStatement() {
    using foundation::StrUtil;
    const std::string html = document().getDocumentElementInnerHTML();
    // The first entry may be the transactions not yet billed; then the
    // second entry is the latest statement.
    std::string entry = StrUtil::extract(html, std::string_view("ArrayAcctDates[0] = \"0,"), "\"");
    if (entry == "UNBILLED,New Transactions Since Last Statement") {
        entry = StrUtil::extract(html, std::string_view("ArrayAcctDates[1] = \"0,"), "\"");
    }
    const size_t comma = entry.find(',');
    if (comma == std::string::npos) throw automation::AutomationException("No statement date on the page");
    const std::string date = entry.substr(0, comma);
    all().setInputTextElementValue("D1", date);
    all().setInputTextElementValue("action", "submit");
    all().setInputTextElementValue("paydate", date);
    document().getForm(0)->submit();
}

}  // namespace navigator::impl
