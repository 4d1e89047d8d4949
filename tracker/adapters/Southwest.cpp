// Southwest Rapid Rewards: the login page opens the session, the dashboard
// answers the login (its first 3000 bytes), and the credits page of the
// last 365 days carries the credit summary and the activity. The balance
// is the number of credits earned toward the next award: 16 less the
// credits still needed.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Southwest final : public Adapter<Southwest> {
public:
    static constexpr const char* KEY = "Southwest";

    void update() override {
        using foundation::StrUtil;
        validateLoginLengths(0, 0, 14, 0, 6, 12);

        doGet(url("secure", "/cgi-bin/travelerAccountLogin"), PAGE_NOT_READ);
        const std::string body = "action=display&page=login&entered_account_number=" + credential(m_username) +
                                 "&rr_password=" + credential(m_password);
        const std::string dashboard = doPost(url("secure", "/cgi-bin/travelerAccountDashboard"), body, 3000);

        static const Markers loginMarkers = {
            invalid("The traveler account number and/or password are incorrect."),
            invalid("not a valid account number"),
        };
        if (firstMarker(dashboard, loginMarkers)) return;

        const std::string page = doPost(url("secure", "/cgi-bin/travelerAccountRRCredits"), "TIME_PERIOD=365");

        static const Markers creditMarkers = {
            provider("This feature is temporarily unavailable."),
            provider("<title>Feature Temporarily Unavailable</title"),
            provider("The Rapid Rewards system is currently unavailable."),
            blocked("You have reached your limit of failed login attempts."),
        };
        if (firstMarker(page, creditMarkers)) return;

        if (page.find("You have no activity within this time period") != std::string::npos) {
            registerZeroBalance();
            registerDetails("");
            registerNoRecentTransactions();
            return;
        }

        // Every value is searched from just inside the credit summary.
        const int summary = positionOf(page, "<b>&nbsp;Rapid Rewards Credit Summary</b>");
        const int from = summary < 0 ? -1 : summary + 1;
        std::string details;
        addDetailsRow(details, "Credits earned " + betweenFrom(page, from, "<br>Credits earned ", ":"),
                      betweenFrom(page, from, ":", "<"));
        const std::string needed = betweenFrom(page, from, "Credits needed to earn my next award:", "<");
        addDetailsRow(details, "Credits needed to earn my next award", needed);
        addDetailsRow(details, "My 16th credit must be earned by",
                      betweenFrom(page, from, "My 16th credit must be earned by:", "<"));
        registerDetails(details);

        std::string rows = betweenFrom(
            page, from,
            "<tr bgcolor=\"#f0f0f0\"><td align=\"center\"><font face=\"Arial, Helvetica, sans-serif\" size=\"2\">",
            "<td colspan=\"7\"><img src=\"/images/1x1.gif\" width=\"10\" height=\"1\" alt=\"\"></td>");
        // Blank cells keep their place in the table.
        rows = StrUtil::replace(rows, "> <", ">&nbsp;<");
        rows = StrUtil::replace(rows, "size=\"2\"></td></tr>", "size=\"2\"></td>&nbsp;</tr>");
        static const std::vector<std::string> headings = {
            "Date",           "Flight<br>Number", "Origin<br>City", "Destination<br>City",
            "Credit<br>Earned", "Credit<br>Used",   "Description"};
        static const std::vector<std::string> alignments = {"c", "c", "c", "c", "r", "r", "l"};
        registerTransactions(rebuildTable(rows, headings, alignments, 0, true));

        registerBalance(needed, true, false, 16);
    }
};

RL_ADAPTER(Southwest)

}  // namespace tracker::adapters
