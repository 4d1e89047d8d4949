// Hilton HHonors: the sign-on page (fetched again once when it timed out)
// gives the view state for the sign-on post; the activity page then carries
// the details, the balance and the recent activity.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Hilton final : public Adapter<Hilton> {
public:
    static constexpr const char* KEY = "Hilton";
    static constexpr int SIGN_ON_PAGE_LIMIT = 6000;
    static constexpr int SIGN_ON_ANSWER_LIMIT = 25000;

    void update() override {
        validateLoginLengths(0, 3, 14, 0, 4, 18);

        const std::string signOn = url("site", "/signon.aspx");
        std::string form = doGet(signOn, SIGN_ON_PAGE_LIMIT);
        static const std::string requestTimeout = "<TITLE>Request Timeout</TITLE>";
        if (form.find(requestTimeout) != std::string::npos) {
            form = doGet(signOn, SIGN_ON_PAGE_LIMIT);
            if (isProviderProblem(form, requestTimeout)) return;
        } else {
            static const Markers formMarkers = {
                provider("<title>HHonors | System Error</title>"),
                provider("<TITLE>Service Unavailable - Fail to connect</TITLE>"),
            };
            if (firstMarker(form, formMarkers)) return;
        }

        const std::string viewState = liftViewState(form);
        if (viewState.empty()) {
            cannotDetermine("No viewstate found for Hilton");
            return;
        }

        std::string body = "__VIEWSTATE=" + viewState + "&txtCardNo=" + credential(m_username) +
                           "&txtPinNo=" + credential(m_password) + "&txtCardNo2=&txtPinNo2=&txtSearchPhrase=&";
        appendInputImage(body, "imgViewAccount", 149, 17);
        const std::string answer = doPost(signOn, body, SIGN_ON_ANSWER_LIMIT);

        static const Markers signOnMarkers = {
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("<TITLE>Gateway Timeout - In read </TITLE>"),
            provider("<title>Server Unavailable"),
            provider("<TITLE>Service Unavailable - Fail to connect</TITLE>"),
            provider("<title>HHonors | System Error</title>"),
            invalid("The PIN you entered appears to be invalid."),
            invalid("The Password you entered appears to be incorrect."),
            invalid("The account number or username you entered appears to be invalid."),
            invalid("You did not enter a valid Account Number."),
        };
        if (firstMarker(answer, signOnMarkers)) return;

        const std::string page = doGet(url("site", "/activity/AllActivity.aspx"));
        static const Markers activityMarkers = {
            provider("<title>Server Unavailable"),
            provider("<title>HHonors | System Error</title>"),
        };
        if (firstMarker(page, activityMarkers)) return;

        std::string details;
        details.reserve(600);
        bannerRow(details, page, "Status", "EchoBanner1_lblCustomerTier", "\">", 20);
        bannerRow(details, page, "Account Number", "EchoBanner1_lblCardNo", "\"> #", 12);
        const std::string balance = valueAfter(
            page, "Current Point Balance:", "<span id=\"EchoBanner1_lblPoints\" class=\"Hilt_basictext_bold\">", "<");
        bannerRow(details, page, "Current Point Balance", "EchoBanner1_lblPoints", "\">", 12);
        bannerRow(details, page, "Current Year Stays", "EchoBanner1_lblCurrentYearStays", "\">", 3);
        bannerRow(details, page, "Current Year Nights", "EchoBanner1_lblCurrentYearNights", "\">", 3);
        bannerRow(details, page, "Current Year Base Points", "EchoBanner1_lblCurrentYearBasePoints", "\">", 12);
        const int last = bannerRow(details, page, "Last Stay", "EchoBanner1_lblLastStay", "\">", 60);
        registerDetails(details);

        const int electronic = chainedPosition(page, {"Paper Stmt Date", "E-Stmt Date"}, last);
        if (electronic < 0) {
            registerNoRecentTransactions();
        } else {
            std::string rows = betweenFrom(page, electronic, "E-Stmt Date", "</table>");
            // A pager row ends the rows.
            if (rows.find("<span><< Prev</span>") != std::string::npos)
                rows = between(rows, "</tr>", "<span><< Prev</span>");
            static const std::vector<std::string> headings = {"Description", "HHonors<br>Points", "Miles<br>Earned",
                                                              "Paper<br>Stmt<br>Date", "E-Stmt<br>Date"};
            static const std::vector<std::string> alignments = {"l", "r", "r", "r", "r"};
            registerTransactions(rebuildTable(rows, headings, alignments, 0, false));
        }

        registerBalance(balance);
    }

private:
    // A details row from the page's banner, searched from the top of the
    // page: the value after the element's id and its start marker.
    int bannerRow(std::string& details, std::string_view page, std::string_view shown, std::string_view id,
                  std::string_view start, int maxLength) {
        return addDetailsRowB1(details, shown, id, {}, 1, maxLength, -1, page, start, "<");
    }
};

RL_ADAPTER(Hilton)

}  // namespace tracker::adapters
