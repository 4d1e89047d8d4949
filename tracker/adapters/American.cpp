// American Airlines AAdvantage: the account page's login form, the login
// post, then nine details rows, the balance and the recent activity, all
// read from the answer.

#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class American final : public Adapter<American> {
public:
    static constexpr const char* KEY = "American";

    American() : m_valueStart("<SPAN CLASS=\"rTxt\">"), m_valueEnd("<") {}

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 12, 0, 0, 0);

        const std::string accountPage = url("site", "/apps/AAdvantage/ViewMyMiles.jhtml?anchorEvent=false");
        const std::string form = doGet(accountPage);

        std::string body = "CurrentProcessId=&aadvantage+number=" + credential(m_username) +
                           "&_D%3Aaadvantage+number=+&password=" + credential(m_password) +
                           "&_D%3Apassword=+&_D%3Aremember=+&remember=false&_D%3Aremember=+"
                           "&_D%3A%2Faa%2Faccount%2Fauthentication%2FLoginHandler.login=+";
        appendInputImage(body, "%2Faa%2Faccount%2Fauthentication%2FLoginHandler.login", 80, 13);
        const std::string page = doPost(loginAddress(form), body);

        const std::string domain = domainName();
        const Markers markers = {
            provider("<TITLE>Server Error</TITLE>"),
            provider("<TITLE>Request Timeout</TITLE>"),
            maintenance("<TITLE>" + domain + " Site Maintenance</TITLE>"),
            provider(domain + " is currently unavailable."),
            provider("This feature is currently unavailable."),
            provider("We are unable to retrieve or update your personal information at this time, but you may "
                     "continue using " +
                     domain + " as a guest."),
            blocked("You have exceeded the password attempt limit and this account is now blocked."),
            blocked("Access to your account is blocked for security purposes."),
            blocked("We have locked access to your account for security purposes."),
            interaction("As an enhanced security feature and to protect the privacy of your personal information, "
                        "please review and accept the following terms and conditions before continuing on " +
                        domain + "."),
            interaction("You have entered an invalid temporary password."),
            invalid("You have entered an invalid password."),
            invalid("You have entered an invalid AAdvantage number."),
            invalid("The password you entered is invalid for this account"),
            invalid("You must enter a valid AAdvantage account number and a valid password"),
            invalid("Your password is case sensitive and must be 6-12 numbers<br>and/or letters."),
        };
        if (firstMarker(page, markers)) return;

        std::string details;
        details.reserve(550);
        int p = addSpanRow(details, page, "Member Since", "Member Since:", 19, 29, -1);
        p = addSpanRow(details, page, "Last Activity Date", "Last Activity Date:", 8, 8, p);
        p = addSpanRow(details, page, "Program to Date Miles", "Program to Date Miles:", 1, 11, p);
        p = addSpanRow(details, page, "YTD Elite Qualifying Points", "YTD Elite Qualifying Points:", 1, 11, p);
        p = addSpanRow(details, page, "YTD Elite Qualifying Miles", "YTD Elite Qualifying Miles:", 1, 11, p);
        p = addSpanRow(details, page, "YTD Elite Qualifying Segments", "YTD Elite Qualifying Segments:", 1, 11,
                          p);
        const std::string deferred = "Miles with Expiration Deferred Through ";
        const int deferredAt = positionOf(page, deferred, p + 1);
        const std::string through = foundation::StrUtil::trim(betweenFrom(page, deferredAt, deferred, ":"));
        p = addSpanRow(details, page, deferred + through, deferred, 1, 11, p);
        p = addSpanRow(details, page, "Upgrade Account Balance", "Upgrade Account Balance:", 1, 11, p);
        p = addSpanRow(details, page, "Total Available Award Mileage", "Total Available Award Mileage", 1, 11, p);
        registerDetails(details);

        const std::string balance = betweenFrom(page, p, m_valueStart, m_valueEnd);

        const std::string table =
            betweenFrom(page, p, "<TABLE WIDTH=\"378\" CELLPADDING=\"2\" CELLSPACING=\"0\" BORDER=\"0\">", "</TABLE>");
        static const std::string nothingPosted =
            "<TD ALIGN=\"left\" COLSPAN=\"2\" CLASS=\"modSub\">TOTAL MILES POSTED</TD>\n"
            "              <TD CLASS=\"modSub\" NOWRAP>0</TD>\n"
            "              <TD CLASS=\"modSub\" NOWRAP>0</TD>\n"
            "              <TD CLASS=\"modSub\" NOWRAP>0</TD>";
        if (table.find(nothingPosted) != std::string::npos) {
            registerNoRecentTransactions();
        } else {
            static const std::vector<std::string> headings = {"Date", "Transaction<br>Description", "Mileage",
                                                              "Bonus", "Total"};
            static const std::vector<std::string> alignments = {"l", "l", "r", "r", "r"};
            const std::string rows = between(table, "STARTING BALANCE", "TOTAL MILES POSTED");
            registerTransactions(rebuildTable(rows, headings, alignments, 1, false));
        }

        registerBalance(balance);
    }

private:
    // The login form's own address when the page names one, else the
    // site's fixed login address.
    std::string loginAddress(const std::string& form) const {
        const std::string action =
            lift(form, "<FORM NAME=\"LoginMember\" ACTION=\"", "\" METHOD=\"POST\">");
        if (std::optional<std::string> resolved = resolveOnPage(action)) return *resolved;
        return url("site",
                   "/apps/utility/logInOut/LoginMember.jhtml?_DARGS=%2Fapps%2Futility%2FlogInOut%2FLoginMember.jhtml.1");
    }

    // One details row: the value in the first value span after the label
    // (an empty value when the label is missing). Returns where the label
    // was found, -1 when missing, for the next row to search on from.
    int addSpanRow(std::string& body, std::string_view page, std::string_view shownLabel,
                      std::string_view searchLabel, int minLength, int maxLength, int fromIndex) {
        return addDetailsRowB1(body, shownLabel, searchLabel, std::string_view(), minLength, maxLength, fromIndex,
                               page, m_valueStart, m_valueEnd);
    }

    const std::string m_valueStart;
    const std::string m_valueEnd;
};

RL_ADAPTER(American)

}  // namespace tracker::adapters
