// Northwest WorldPerks: one login post with three credentials (account
// number, PIN and last name); the account summary's commented sections
// carry the details, the balance and the mileage activity.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Northwest final : public Adapter<Northwest> {
public:
    static constexpr const char* KEY = "Northwest";

    void update() override {
        using foundation::StrUtil;
        validateLoginLengths(0, 9, 12, 4, 0, 0, 0, 0, 0);

        // The site calls the last name (the second password) "name" and the
        // PIN (the password) "pin".
        std::string body = "account=" + credential(m_username) +
                           "&WpNum=&MemberName=&Pin=&name=" + credential(m_password2) +
                           "&pin=" + credential(m_password) + "&save_pin=Y";
        appendInputImage(body, "", 79, 15);
        const std::string page = doPost(url("secure", "/cgi-bin/wp_acctsum.pro"), body);

        static const Markers markers = {
            interaction("Create Secret Question and Answer"),
            provider("We're sorry, we're unable to process your request at this time. Please try again later. We "
                     "apologize for this inconvenience."),
            interaction("Unable to display your account, please contact 1-800-44PERKS (U.S.) or the nearest "
                        "WorldPerks Service Center."),
            interaction("Access to this account not available - please contact 1-800-44PERKS (U.S.) or the nearest "
                        "WorldPerks Service Center for assistance."),
            interaction("You must create a PIN, to access this account."),
            blocked("You have exceeded the PIN attempt limit."),
            invalid("Incorrect account number"),
            invalid("Account number is incorrect"),
            invalid("Invalid PIN"),
            invalid("Last name does not match WorldPerks account information on file"),
            invalid("PIN does not match WorldPerks account information on file"),
            invalid("Error in last name"),
            invalid("PIN not provided"),
            invalid("The account number you entered is not valid"),
            invalid("The last name you entered does not match the last name for this account number."),
        };
        if (firstMarker(page, markers)) return;

        std::string details;
        details.reserve(1000);
        int p = addDetailsRowB2(details, "Account Number", "<!--wp_num", 1, 12, -1, page, "-->", "</TD>");
        p = addDetailsRowB2(details, "Account Status", "<!--current_status", 1, 75, p, page, "-->", "</TD>");
        details = StrUtil::replace(StrUtil::replace(details, "<B>", ""), "</B>", "");
        p = addDetailsRowB2(details, "Total Banked Miles", "<!--banked_miles", 1, 11, p, page, "-->", "&nbsp;");
        p = addDetailsRowB2(details, "Current Locked Miles", "<!--locked_mile", 1, 11, p, page, "-->", "&nbsp;");
        const std::string balance = betweenFrom(page, p + 1, "<!--avail_miles--><b>", "</b>");
        p = addDetailsRowB2(details, "Current Available Miles", "<!--avail_miles", 1, 11, p, page, "--><b>", "</b>");
        p = addDetailsRowB2(details, "Elite Qualifying Miles", "<!--current_year_elite_miles", 1, 11, p, page, "--><b>",
                            "</b>");
        p = addDetailsRowB2(details, "Elite Qualifying Segments", "<!--current_year_eqs_count", 1, 5, p, page, "-->",
                            "&nbsp;");
        addDetailsRowB2(details, "Total Mileage Since Enrollment", "<!--total_miles", 1, 11, p, page, "-->", "&nbsp;");
        registerDetails(details);

        if (page.find(">No Mileage Activity Found") != std::string::npos) {
            registerNoRecentTransactions();
        } else {
            const std::string rows = valueAfter(page, "<B>Mileage Activity&nbsp;</B>",
                                                "<TD><B>&nbsp;Seg&nbsp;</B></TD>", "<B>End of Mileage Activity");
            static const std::vector<std::string> headings = {
                "Date",        "Flight<br>Desig.",        "Flight<br>Oper.",        "Class<br>Flown/<br>Paid",
                "Description", "Elite<br>Qual.<br>Miles", "Elite<br>Qual.<br>Seg.", "Banked<br>Miles",
                "Code"};
            static const std::vector<std::string> alignments = {"l", "l", "l", "c", "l", "r", "r", "r", "c"};
            registerTransactions(rebuildTable(StrUtil::replace(rows, "</A>", ""), headings, alignments, 0, true));
        }

        registerBalance(balance);
    }
};

RL_ADAPTER(Northwest)

}  // namespace tracker::adapters
