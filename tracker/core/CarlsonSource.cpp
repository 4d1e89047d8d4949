#include "tracker/core/CarlsonSource.h"

#include "foundation/HostTable.h"
#include "foundation/Logger.h"

namespace tracker {

namespace {

const char* const PROVIDER_MARKERS[] = {
    "<TITLE>Method Not Allowed</TITLE>",
    "<TITLE>Internal Server Error</TITLE>",
    "<TITLE>Request Timeout</TITLE>",
    "<TITLE>Gateway Timeout - In read </TITLE>",
    "<TITLE>Service Unavailable - Fail to connect</TITLE>",
    // The maintenance notice is taken as a provider problem on these sites.
    "temporarily closed for maintenance",
};

const char* const INVALID_MARKERS[] = {
    "Email address is required or invalid",
    "Having trouble signing in?",
};

}  // namespace

void CarlsonSource::update() {
    validateLoginLengths(0, 6, 50, 0, 6, 20);

    const std::string role = hostRole(getDomainName());
    if (!foundation::HostTable::has(role)) {
        reportError("No host configured for " + role);
        registerAllUnknown();
        return;
    }

    std::string body = "successURL=%2Fguestaccess%2Fsecure%2Fhome.jsp&rightSide=create&emailAddr=" +
                       encodeFormValue(m_username) + "&password=" + encodeFormValue(m_password);
    appendInputImage(body, "", 7, 4);

    const std::string page = doPost(foundation::HostTable::url(role, LOGIN_PATH), body);

    for (const char* marker : PROVIDER_MARKERS) {
        if (isProviderProblem(page, marker)) return;
    }
    for (const char* marker : INVALID_MARKERS) {
        if (isInvalidLogin(page, marker)) return;
    }

    // The balance sits underlined after the greeting; no greeting, no
    // balance (never an underline from elsewhere on the page).
    std::string balance;
    const size_t welcome = page.find("Welcome<");
    if (welcome != std::string::npos) {
        const size_t underline = page.find("<u>", welcome + 1);
        if (underline != std::string::npos) {
            const size_t start = underline + 3;
            const size_t end = page.find("Gold Points", start);
            if (end != std::string::npos) balance = page.substr(start, end - start);
        }
    }
    registerBalance(balance);
}

}  // namespace tracker
