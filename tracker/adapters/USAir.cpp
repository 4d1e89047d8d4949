// US Airways Dividend Miles: three posts on the secure site (the login, a
// relay of its session fields, then the hidden fields of the account form),
// whose last answer carries the balance, the details, the statement and the
// recent activity.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class USAir final : public Adapter<USAir> {
public:
    static constexpr const char* KEY = "USAir";

    void update() override {
        using foundation::StrUtil;
        validateLoginLengths(0, 7, 0, 4, 0, 0);

        std::string body = "AdvNum=" + credential(m_username) + "&PIN=" + credential(m_password);
        appendInputImage(body, "login", 101, 17);
        const std::string login = doPost(url("secure", "/cgi-bin/usdmlogin.cgi"), body);

        static const Markers markers = {
            provider("<TITLE>Server Error</TITLE>"),
            provider("Our system is temporarily unavailable."),
            invalid("The account number you entered is incorrect."),
            invalid("Member Log-In Unsuccessful"),
            invalid("Wrong PIN."),
            invalid("Incorrect Dividend Miles account number."),
            invalid("<B>PIN</B> must be a <B>numeric"),
            interaction("Due to a computer system change, you have been issued a new account number"),
            interaction("Invalid Account Information"),
            interaction("Merged Account."),
        };
        if (firstMarker(login, markers)) return;

        std::string session = "Debug=" + StrUtil::replace(between(login, "NAME=\"Debug\" VALUE=\"", "\""), "=", "%3D") +
                              "&SessKey=" + between(login, "NAME=\"SessKey\" VALUE=\"", "\"") +
                              "&SessId=" + between(login, "NAME=\"SessId\" VALUE=\"", "\"");
        appendInputImage(session, "", 101, 26);
        const std::string miles = doPost(url("secure", "/cgi-bin/milesol.cgi"), session);

        // Up to 25 searches for a field: the 25th must find none.
        static const HiddenFieldRelay accountForm = {"<FORM ACTION=\"/cgi-bin/currstat.cgi\" METHOD=\"POST\">",
                                                     "</FORM>",
                                                     "<INPUT TYPE=\"hidden\" NAME=\"",
                                                     "VALUE=\"",
                                                     24,
                                                     true};
        std::optional<std::string> fields = relayHiddenFields(miles, accountForm);
        if (!fields) {
            registerAllUnknown();
            return;
        }
        appendInputImage(*fields, "", 101, 26);
        const std::string page = doPost(url("secure", "/cgi-bin/currstat.cgi"), *fields);

        static const Markers accountMarkers = {provider("Database error.")};
        if (firstMarker(page, accountMarkers)) return;

        const std::string balance = valueAfter(page, "Dividend Miles Balance:", "colspan=\"2\">", "<");

        std::string details;
        details.reserve(1000);
        int p = accountRow(details, page, "Year to Date Preferred Miles", "Preferred Miles</a>:", "colspan=\"2\">", 8);
        p = accountRow(details, page, "Year to Date Preferred Segments", "Preferred Segments</a>:", "colspan=\"2\">",
                       8);
        const bool upgrades = positionOf(page, "Upgrade Bank Balance", p) >= 0;
        if (upgrades) {
            p = accountRow(details, page, "Upgrade Bank Balance", ">Upgrade Bank Balance:<", "colspan=\"2\">", 8);
        }
        p = accountRow(details, page, "Membership Level", ">Membership Level</a>:<", "colspan=\"4\">", 35);

        const std::string section =
            betweenFrom(page, p, ">Dividend Miles Account Activity Since Last Statement<", "Balance:</b></td>");
        if (section.find("No Activity For This Statement Period") != std::string::npos) {
            registerNoRecentTransactions();
        } else {
            std::string rows = between(section, "<td class=\"bodytext\" nowrap bgcolor=\"#FFFFFF\">",
                                       "<td width=\"512\" class=\"bodytext\" colspan=\"5\">");
            // Blank cells keep their place in the table.
            rows = StrUtil::replace(rows, "<td class=\"bodytext\" nowrap bgcolor=\"#FFFFFF\"> </td>",
                                    "<td class=\"bodytext\" nowrap bgcolor=\"#FFFFFF\">&nbsp;</td>");
            rows = StrUtil::replace(rows, "<td class=\"bodytext\" nowrap bgcolor=\"#DEE7F0\"> </td>",
                                    "<td class=\"bodytext\" nowrap bgcolor=\"#DEE7F0\">&nbsp;</td>");
            static const std::vector<std::string> headings = {"Date", "Transaction<br>Description", "Actual<br>Miles",
                                                              "Bonus<br>Miles", "Total<br>Miles"};
            static const std::vector<std::string> alignments = {"r", "l", "r", "r", "r"};
            registerTransactions(rebuildTable(rows, headings, alignments, 0, false));
        }

        statementRow(details, page, "Beginning Dividend Miles Balance", "Beginning Dividend Miles Balance:</b>");
        statementRow(details, page, "Miles Deposited This Period", ">Miles Deposited This Period:<");
        statementRow(details, page, "Miles Debited This Period", ">Miles Debited This Period:<");
        statementRow(details, page, "Miles Redeposited This Period", ">Miles Redeposited");
        if (upgrades) {
            statementRow(details, page, "Beginning Upgrade Bank Balance", "Beginning Upgrade Bank Balance:</b>");
            statementRow(details, page, "Upgrades Deposited This Period", ">Upgrades Deposited");
            statementRow(details, page, "Upgrades Debited This Period", ">Upgrades Debited");
            statementRow(details, page, "Upgrades Redeposited This Period", ">Upgrades Redeposited");
        }
        registerDetails(details);

        registerBalance(balance);
    }

private:
    // A row of the account summary, searched from the top of the page.
    int accountRow(std::string& details, std::string_view page, std::string_view shown, std::string_view anchor,
                   std::string_view start, int maxLength) {
        return addDetailsRowA(details, shown, anchor, {}, start, "<", 1, maxLength, -1, page);
    }

    // A row of the statement: the figure in the third of three right-aligned
    // cells after its anchor.
    void statementRow(std::string& details, std::string_view page, std::string_view shown, std::string_view anchor) {
        static const std::string_view figure =
            "<td class=\"bodytext\" nowrap align=\"right\"></td>    <td class=\"bodytext\" nowrap "
            "align=\"right\"></td>    <td class=\"bodytext\" nowrap align=\"right\">";
        addDetailsRowA(details, shown, anchor, {}, figure, "<", 1, 8, -1, page);
    }
};

RL_ADAPTER(USAir)

}  // namespace tracker::adapters
