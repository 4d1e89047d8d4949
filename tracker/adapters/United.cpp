// United Mileage Plus: the login post (whose answer may send the browser on
// by a script), five details rows and the balance from the summary, then
// the last three months' activity from the activity host, with the cookie
// the summary's script sets.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class United final : public Adapter<United> {
public:
    static constexpr const char* KEY = "United";

    void update() override {
        validateLoginLengths(11, 0, 0, 0, 5, 0, 0, 0, 0);

        const std::string body = "userId=" + credential(m_username) + "&password=" + credential(m_password);
        std::string page = doPost(
            url("login", "/ci/DoLogin.jsp?stamp=NEWCOOKY*itn/ord=NEWREC,itn/air/mp&return_to=ff_acct_hist"), body);

        static const Markers markers = {
            provider("<title>Please Excuse Us! </title>"),
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("<title>SSO Config failed</title>"),
            provider("We were unable to process your request.  The system is currently unavailable or the internet "
                     "service is experiencing heavy traffic. Please try your request later."),
            provider("The system is not available. We apologize for your inconvenience. Please contact Customer "
                     "Support at 800-589-5582 for further assistance. Or, please try again later."),
            invalid("<title>This Account Was Not Found</title>"),
            invalid("No such user id"),
            invalid("Incorrect password"),
            invalid("Access to your account has been suspended due to reaching the maximum number of unsuccessful "
                    "login attempts."),
            interaction("ACCT-SUMMARY"),
            interaction("Your temporary password has been validated."),
            interaction("Password expired"),
        };
        if (firstMarker(page, markers)) return;
        if (page.find("We were unable to process your request.") != std::string::npos) {
            registerAllUnknown();
            return;
        }

        if (page.find("<title>Mileage summary</title>") == std::string::npos) {
            std::optional<std::string> summary =
                followScriptRedirect(page, "window.location.replace(lnk+\"/", "\")", url("login", "/ci/"));
            if (!summary) return;
            page = std::move(*summary);
        }

        // Each label is searched after the one before it (from the top when
        // that one was missing); its value follows it.
        int at = -1;
        auto next = [&](std::string_view label, int maxLength) {
            at = positionOf(page, label, at + 1);
            return blobCheck(betweenFrom(page, at < 0 ? -1 : at + 1, "\">", "<"), 1, maxLength);
        };
        std::string details = "<tr class=d><td>&nbsp;Account Number</td><td>&nbsp;" + next("Account Number<", 25);
        details += "</td></tr><tr class=l><td>&nbsp;Membership Level</td><td>&nbsp;" + next("Membership level<", 25);
        at = positionOf(page, ">Current redeemable miles");
        const std::string balance = betweenFrom(page, at < 0 ? -1 : at + 1, "\">", "<");
        details += "</td></tr><tr class=d><td>&nbsp;Year to Date Elite Qualifying Miles (EQM)</td><td>&nbsp;" +
                   next("EQM<", 11);
        details += "</td></tr><tr class=l><td>&nbsp;Year to Date Elite Qualifying Segments (EQS)</td><td>&nbsp;" +
                   next("EQS<", 11);
        details += "</td></tr><tr class=d><td>&nbsp;Lifetime United Flight Miles</td><td>&nbsp;" +
                   next("Lifetime United flight miles<", 25);
        details += "</td></tr>";
        registerDetails(details);

        try {
            recordActivity(page);
        } catch (const NumberFormatError& failure) {
            foundation::Logger::info(std::string("No activity dates for United: ") + failure.what());
            registerBlankTransactions();
        }

        registerBalance(balance);
    }

private:
    // The activity from the end date the summary's selectors show back to
    // three months before it.
    void recordActivity(const std::string& page) {
        using foundation::StrUtil;
        const int monthSelect = positionOf(page, "<select name=\"mon_ff.1\">");
        const std::string endMonth = betweenFrom(page, monthSelect, "<option selected value=\"", "\"");
        const int daySelect = positionOf(page, "<select name=\"date_ff.1\">", monthSelect + 1);
        const std::string endDay = betweenFrom(page, daySelect, "<option selected value=\"", "\"");
        const std::string endYear = std::to_string(AdapterClock::currentYear());
        const std::string start =
            buildPreviousDateStr(endMonth, endDay, endYear, 3, "mon_ff.0", "date_ff.0", "year_ff.0");

        // The cookie the page's script sets.
        const std::string cookie = between(page, "document.cookie = \"", " = ");
        if (!cookie.empty()) addCookie("activity", cookie, between(page, cookie + " = ", ";"));

        const std::string stamp = escapeLifted(between(page, "<input type=hidden name=stamp value=\"", "\">"));
        const std::string activity = doGet(
            url("activity", "/cgi/freqfly?stamp=" + stamp + "&return_to=ff_acct_hist&" + start +
                                "&mon_ff.1=" + endMonth + "&date_ff.1=" + endDay + "&year_ff.1=" + endYear +
                                "&ff_sum_mileage_partners=UNITED&ff_sum_mileage_partners=Star+Alliance"
                                "&ff_sum_mileage_partners=All+Airline&ff_sum_mileage_partners=All+Hotel"
                                "&ff_sum_mileage_partners=All+Car&ff_sum_mileage_partners=Other&ff_sum_sort=date"));

        const int bonus = positionOf(activity, "<td class=\"t4\"><b>Bonus</b></td>");
        if (positionOf(activity, "<tr><td class=\"t4\">UNITED</td>  <td colspan=4 ALIGN=right>", bonus) < 0) {
            registerNoRecentTransactions();
            return;
        }
        std::string rows = between(activity, "<b>Activity Summary </b>", "<b>Total</b></td></tr>");
        // Two blank cells in the heading row; the activity links pass the
        // table builder as text and end up as inert elements.
        rows = StrUtil::replace(rows, "</b></td>  <td class=\"t4\"><b>",
                                "</b></td><foo>&nbsp;</foo><foo>&nbsp;</foo><td class=\"t4\"><b>");
        rows = StrUtil::replace(rows, "</a>", " ");
        static const std::vector<KeptText> links = {{"<a ", "*%a %*", "<foo "}, {"')\">", "*%')\"%*", "')\">"}};
        static const std::vector<std::string> headings = {"Date", "Activity", "Actual", "Bonus", "Total"};
        static const std::vector<std::string> alignments = {"r", "l", "r", "r", "r"};
        registerTransactions(rebuildTableKeeping(rows, headings, alignments, 0, true, links));
    }
};

RL_ADAPTER(United)

}  // namespace tracker::adapters
