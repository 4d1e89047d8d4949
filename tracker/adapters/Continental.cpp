// Continental OnePass: the sign-in is one GET with the credentials in its
// query; the answer carries the balance, the elite details and the recent
// mileage activity.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Continental final : public Adapter<Continental> {
public:
    static constexpr const char* KEY = "Continental";

    Continental() : m_valueStart("<span class=\"content\">"), m_valueEnd("<") {}

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 4, 0);

        const std::string page =
            doGet(url("site", "/acct/pSignIn.asp?hdnAction=1&hdnPage=%2Facct%2FpSignIn.asp&txtOPNum=" +
                                  credential(m_username) + "&txtOPPin=" + credential(m_password)));

        const std::string domain = domainName();
        const Markers markers = {
            provider("<h1>Service Unavailable</h1>"),
            provider("HTTP/1.1 500 Server Error"),
            provider("We're sorry, but " + domain + " was unable to complete your request due to a technical problem."),
            provider("We're sorry, but " + domain +
                     "  was unable to complete your request due to a technical problem."),
            interaction("<title>Continental Airlines - Review OnePass Member Advisory</title>"),
            invalid("There was a problem with your sign in."),
            invalid("We're sorry, but your account is now locked for security purposes"),
        };
        if (firstMarker(page, markers)) return;

        // The bold figure: its value starts after the ">" that closes the
        // <b tag, not at the label's own ">".
        const std::string_view youHave = ">You have <b";
        const int label = positionOf(page, youHave);
        const std::string balance =
            betweenFrom(page, label < 0 ? -1 : label + static_cast<int>(youHave.size()), ">", "<");

        std::string details;
        details.reserve(350);
        int p = addDetailsRowB2(details, "OnePass Elite Level", "OnePass Elite Level:<", 1, 25, label, page,
                                m_valueStart, m_valueEnd);
        if (page.find("SkyTeam Elite Level:") != std::string::npos) {
            p = addDetailsRowB2(details, "SkyTeam Elite Level", "SkyTeam Elite Level:<", 1, 25, p, page, m_valueStart,
                                m_valueEnd);
        }
        p = addDetailsRowB2(details, "Year to Date Elite Miles", "Year to Date Elite Miles:<", 1, 11, p, page,
                            m_valueStart, m_valueEnd);
        addDetailsRowB2(details, "Year to Date Elite Points", "Year to Date Elite Points:<", 1, 8, p, page,
                        m_valueStart, m_valueEnd);
        registerDetails(details);

        const std::string rows =
            valueAfter(page, "<span class=\"PHead\">Mileage Earned</span>", "<tr>", "<td colspan=\"5\">");
        if (rows.find(">No recent activity") != std::string::npos) {
            registerNoRecentTransactions();
        } else if (rows.find(">We are currently unable to display your OnePass Account Activity.") !=
                   std::string::npos) {
            registerBlankTransactions();
        } else {
            static const std::vector<std::string> headings = {"Activity<br>Date", "Description", "Mileage<br>Earned"};
            static const std::vector<std::string> alignments = {"r", "l", "r"};
            registerTransactions(rebuildTable(rows, headings, alignments, 0, true));
        }

        registerBalance(balance);
    }

private:
    const std::string m_valueStart;
    const std::string m_valueEnd;
};

RL_ADAPTER(Continental)

}  // namespace tracker::adapters
