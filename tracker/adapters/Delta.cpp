// Delta SkyMiles: one login post whose answer carries the balance, eight
// details rows and the recent account activity.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Delta final : public Adapter<Delta> {
public:
    static constexpr const char* KEY = "Delta";

    Delta() : m_valueStart("align=\"right\">"), m_valueEnd("<") {}

    void update() override {
        validateLoginLengths(10, 0, 0, 4, 0, 0);

        std::string body = "acct=" + credential(m_username) + "&pin=" + credential(m_password) +
                           "&nextUrl=%2Fhome%2Findex.jsp&startIn=%2Fskymiles%2Findex.jsp";
        appendInputImage(body, "GO", 66, 16);
        const std::string page = doPost(url("site", "/components/skymiles_login.jsp"), body);

        static const Markers markers = {
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("<TITLE>Not Found</TITLE>"),
            invalid("SkyMiles PIN Incorrect"),
            provider("<title>Application Unavailable</title>"),
            provider("We're sorry, but the system is currently unavailable."),
            invalid("We're sorry, but the SkyMiles"),
            invalid("We're sorry, the Delta PIN you entered is not correct for this SkyMiles"),
            invalid("Account Access Disabled"),
            invalid("The SkyMiles membership number entered is no longer active."),
            invalid("The SkyMiles membership number entered is invalid."),
            interaction("SkyMiles PIN Not Established"),
            interaction("SkyMiles Account Merged"),
        };
        if (firstMarker(page, markers)) return;

        const int total = positionOf(page, "Total miles:");
        const std::string balance = betweenFrom(page, total, "\">", "<");

        const std::string_view bold = "<span class=\"cpyBold\">";
        std::string details;
        details.reserve(550);
        int p = addDetailsRowB2(details, "SkyMiles Number", "SkyMiles Number", 1, 25, total, page,
                                "<span class=\"cpyBold\">&nbsp;&nbsp;", "<");
        p = addDetailsRowB2(details, "Membership Level", "Membership Level", 1, 25, p, page, bold, "<");
        p = addDetailsRowB2(details, "Medallion Qualification Miles", "Medallion&#174; Qualification Miles", 1, 25, p,
                            page, bold, "<");
        p = mileageRow(details, page, "Current SkyMiles Mileage Balance", "Current SkyMiles Mileage Balance", 1, 8, p);
        p = mileageRow(details, page, "Current FF Mileage Balance", "Current FF Mileage Balance", 1, 8, p);
        p = mileageRow(details, page, "Total Available Miles", "Total Available Miles", 1, 8, p);
        p = mileageRow(details, page, "Million Miler Miles", "Million Miler&#153; Miles", 1, 8, p);
        mileageRow(details, page, "SkyMiles Mileage Expiration", "SkyMiles Mileage Expiration", 8, 11, p);
        registerDetails(details);

        const std::string block = betweenFrom(page, positionAfter(page, "<!-- begin account activity table "), "-->",
                                              "<!--- end account activity table -->");
        if (block.find("No activity for the previous six months.") != std::string::npos) {
            registerNoRecentTransactions();
        } else {
            using foundation::StrUtil;
            std::string rows = between(block, "MQM<br>Earned</td>", "</table>");
            rows = StrUtil::replace(StrUtil::replace(rows, "\r\r\n", " "), "\r\n(", " (");
            static const std::vector<std::string> headings = {"Date",           "Description",    "Miles",
                                                              "Bonus<br>Miles", "Total<br>Miles", "MQM<br>Earned"};
            static const std::vector<std::string> alignments = {"c", "l", "r", "r", "r", "r"};
            // A line break inside a cell stays one.
            static const std::vector<KeptText> lineBreaks = {{"<BR>", "*%BR%*", "<BR>"}};
            registerTransactions(rebuildTableKeeping(rows, headings, alignments, 0, true, lineBreaks));
        }

        registerBalance(balance);
    }

private:
    // A row of the mileage table: the right-aligned figure after its label.
    int mileageRow(std::string& details, std::string_view page, std::string_view shown, std::string_view label,
                   int minLength, int maxLength, int fromIndex) {
        return addDetailsRowB2(details, shown, label, minLength, maxLength, fromIndex, page, m_valueStart, m_valueEnd);
    }

    const std::string m_valueStart;
    const std::string m_valueEnd;
};

RL_ADAPTER(Delta)

}  // namespace tracker::adapters
