// Starwood Preferred Guest: a login post on the secure site that names the
// account page to come back to (its address escaped in the form), then the
// account page with the details, the Starpoints and the activity. The
// site's pages may end their lines with bare line feeds, which the client
// turns into line ends: a line break inside an activity cell stands on
// lines of its own and is kept through the table builder.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Starwood final : public Adapter<Starwood> {
public:
    static constexpr const char* KEY = "Starwood";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 4, 0);
        m_tb->setPossibleUnixStyle(true);

        // The empty ".x" key comes before the button's own keys.
        std::string body = "returnURL=" + escapedUrl("secure", "/preferredguest/account/index.html") +
                           "&userID=" + credential(m_username) + "&password=" + credential(m_password) +
                           "&inputLoginError=&.x=";
        appendInputImage(body, "Sign_In", 74, 16);
        const std::string answer = doPost(url("secure", "/preferredguest/account/login.html"), body);

        static const Markers loginMarkers = {
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("The system is temporarily unavailable."),
            provider("<TITLE>Server Error</TITLE>"),
            provider("<H1>Engine Exception</H1>"),
            invalid("webFormVar.addError(\"usernameLabel\",\"spgNumberErrorDiv\",\"!inst\", \"instAlt\");"),
            invalid("webFormVar.addError(\"passwordLabel\",\"passwordInvalidErrorDiv\",\"!inst\", \"instAlt\");"),
            interaction("Please reference the error message above when speaking with a customer service "
                        "representative."),
            provider("webFormVar.addError(\"systemUnavailableErrorDiv\");"),
        };
        if (firstMarker(answer, loginMarkers)) return;

        const std::string page = doGet(url("secure", "/preferredguest/account/index.html?back=-2"));
        static const Markers accountMarkers = {
            provider("<TITLE>Request Timeout</TITLE>"),
        };
        if (firstMarker(page, accountMarkers)) return;

        std::string details;
        details.reserve(220);
        details += "<tr class=d><td>&nbsp;Member Number</td><td>&nbsp;" +
                   blobCheck(valueAfter(page, "Member Number:", "<strong>", "<"), 9, 13);
        const std::string balance = valueAfterChain(page, {"Member Number:", "Starpoints:"}, "<strong>", "<");
        details += "</td></tr><tr class=l><td>&nbsp;Stays Year to Date</td><td>&nbsp;" +
                   blobCheck(valueAfter(page, "Stays Year to Date:", "<strong>", "<"), 1, 3);
        details += "</td></tr><tr class=d><td>&nbsp;Nights Year to Date</td><td>&nbsp;" +
                   blobCheck(valueAfter(page, "Nights Year to Date:", "<strong>", "<"), 1, 3);
        details += "</td></tr>";
        registerDetails(details);

        if (page.find("You have no Starpoints transactions from the past 30 months.") != std::string::npos) {
            registerNoRecentTransactions();
        } else {
            registerTransactions(activity(page));
        }
        registerBalance(balance);
    }

private:
    std::string activity(std::string_view page) {
        using foundation::StrUtil;
        std::string rows = between(page, "Activity</strong></td>", "<td class=\"rowBottom\" colspan=\"5\">");
        static const std::pair<const char*, const char*> cleanUp[] = {
            {"class=\"rowFirstCell\">&nbsp;</td>", "class=\"rowFirstCell\"></td>"},
            {"class=\"rowFirstCellAlt\">&nbsp;</td>", "class=\"rowFirstCellAlt\"></td>"},
            {"</a>", ""},
            {"class=\"row\"></td>", "class=\"row\">&nbsp;</td>"},
            {"class=\"rowAlt\"></td>", "class=\"rowAlt\">&nbsp;</td>"},
            // The input tag joins the cell's opening tag.
            {"><input", " input"},
            {"\t\t", ""},
        };
        for (const auto& [text, by] : cleanUp) rows = StrUtil::replace(rows, text, by);

        // A line break that is not on lines of its own splits its cell;
        // the table may then end in as many leftover cells.
        const int lineBreaks = StrUtil::countMatches(rows, "<br />");
        static const std::vector<std::string> headings = {"Description", "Starpoint<br>Post Date",
                                                          "Starpoint<br>Activity"};
        static const std::vector<std::string> alignments = {"l", "r", "r"};
        static const std::vector<KeptText> kept = {{"\r\n<br />\r\n", "*%br%*", "<br>"}};
        return rebuildTableKeeping(rows, headings, alignments, 0, false, kept, 0, lineBreaks);
    }
};

RL_ADAPTER(Starwood)

}  // namespace tracker::adapters
