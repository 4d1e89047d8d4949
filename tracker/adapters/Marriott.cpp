// Marriott Rewards: the account summary opens the session (its answer not
// read); the login answer carries the details, the balance and a results
// matrix of stays, rewards and other points, rebuilt as one statement table
// with its section titles and empty-section notices as rows of their own.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Marriott final : public Adapter<Marriott> {
public:
    static constexpr const char* KEY = "Marriott";

    void update() override {
        validateLoginLengths(0, 4, 0, 0, 4, 0);

        doGet(url("site", "/rewards/myaccount/acctsum.mi?WT_Ref=mi_left"), PAGE_NOT_READ);
        const std::string user = credential(m_username);
        std::string body = "j_username=rewards@" + user + "&userNamePrefix=rewards@&visibleUserName=" + user +
                           "&j_password=" + credential(m_password);
        appendInputImage(body, "", 60, 17);
        const std::string page = doPost(url("site", "/rewards/j_security_check"), body);

        static const Markers markers = {
            provider("<title>503 Service Temporarily Unavailable</title>"),
            provider("We are experiencing technical difficulties when accessing account information. Please try "
                     "again later."),
            maintenance("We're sorry, but it's not possible to allow access to your online account at this time due "
                        "to system maintenance that's currently underway."),
            interaction("You're not a Marriott Rewards member."),
            invalid("Please enter your user name and password"),
            interaction("We are unable to display your account information online at this time.  Please call "
                        "801-468-4000 and ask to speak to an Internet Specialist."),
            interaction("Your Marriott Rewards account number is not recognized as associated with your profile or "
                        "you are not currently a Rewards member."),
            provider("ServletException"),
        };
        if (firstMarker(page, markers)) return;

        const int balanceAt = positionOf(page, "Current point balance:");
        const std::string balance = betweenFrom(page, balanceAt, "<dd>", "<");

        std::string details;
        details.reserve(850);
        row(details, page, "Elite membership level", "Elite membership level:", 20, balanceAt);
        levelRow(details, page, "Additional nights needed to maintain ", balanceAt);
        levelRow(details, page, "Nights needed to achieve ", balanceAt);
        row(details, page, "Nights stayed this year", "Nights stayed this year:", 10, balanceAt);
        const int account = row(details, page, "Account number", "Account number:", 15, -1);
        row(details, page, "Earning preference", "Earning preference:", 6, account);
        registerDetails(details);

        registerTransactions(statement(page, balanceAt));
        registerBalance(balance);
    }

private:
    int row(std::string& details, std::string_view page, std::string_view label, std::string_view anchor,
            int maxLength, int from) {
        return addDetailsRowA(details, label, anchor, {}, "<dd>", "<", 1, maxLength, from, page);
    }

    // The nights still needed for a level, shown only when the page names
    // the level ("... to maintain Gold Elite:"), which joins the label.
    void levelRow(std::string& details, std::string_view page, const std::string& phrase, int from) {
        const int at = positionOf(page, phrase, from);
        if (at < 0) return;
        const std::string label = phrase + betweenFrom(page, at, phrase, ":");
        row(details, page, label, label, 10, from);
    }

    std::string statement(std::string_view page, int balanceAt) {
        using foundation::StrUtil;
        std::string matrix = betweenFrom(page, balanceAt, "<div class=\"rewardsResultsMatrix\">",
                                         "<div style=\"margin-top:15px;\">");
        const std::string months = between(matrix, "in the last&nbsp;", "&nbsp;months.");
        auto swap = [&matrix](std::string_view text, std::string_view by) { matrix = StrUtil::replace(matrix, text, by); };
        // A section title or an empty-section notice becomes one cell
        // between two blank ones, a row of its own; "%%n%%" mark its
        // formatting, put in after the table is built.
        auto title = [&swap](std::string_view text, std::string_view shown) {
            swap(text, "&nbsp;<Z>%%1%%" + std::string(shown) + "%%2%%<Z>&nbsp;");
        };
        auto notice = [&swap, &months](const std::string& what) {
            swap("Our records show no " + what + " in the last&nbsp;" + months + "&nbsp;months.",
                 "&nbsp;<Z>Our records show no " + what + "%%3%%in the last " + months + " months.<Z>&nbsp;");
        };

        title("Stays Recorded", "Stays Recorded");
        notice("stays made");
        title("Rewards Requested", "Rewards Requested");
        notice("rewards requested");
        swap("You can <a href=\"/rewards/myaccount/unusedcerts.mi\">view a list of all currently ordered "
             "certificates</a> that have not yet been redeemed for a reward.",
             "");
        swap("<sup>1</sup>", "");
        // The non-breaking space keeps the next title from matching again.
        title("Other Points Earned and Deductions", "Other&nbsp;Points Earned and Deductions");
        title("Other Points Earned", "Other Points Earned");
        title("Other Deductions", "Other Deductions");
        notice("other points earned");
        for (const char* text : {">Date<", ">Description<", ">Points<", ">Back to top<", ">Your reservations >><",
                                 ">Make another reservation >><", ">Order Rewards >><", ">More ways to earn >><"}) {
            swap(text, "><");
        }
        swap("</h2>", "<Z>&nbsp;<Z>");
        swap("<td colspan=\"2\" class=\"pointsTotal\">", "<Z>&nbsp;<Z>");
        swap("<td colspan=\"3\" class=\"pointsTotalNoDetail\"", "<Z>&nbsp;<Z>&nbsp;<Z");
        swap("<td></td>", "<Z>&nbsp;<Z>");
        swap("\r", " ");
        swap("\n", " ");

        static const std::vector<std::string> headings = {"Date", "Description", "Points"};
        static const std::vector<std::string> alignments = {"r", "l", "r"};
        // The marks placed above, their text put in the built rows.
        static const std::vector<KeptText> marks = {
            {"", "%%1%%", "<b><center>"}, {"", "%%2%%", "</b></center>"}, {"", "%%3%%", "<br>"}};
        return rebuildTableKeeping(matrix, headings, alignments, 0, true, marks);
    }
};

RL_ADAPTER(Marriott)

}  // namespace tracker::adapters
