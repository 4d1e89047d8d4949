// Diners Club Club Rewards (U.S.): the login, the list of statements, and
// the latest billed statement, which shows the points.

#include "tracker/adapters/DinersClub.h"

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

namespace dinersclub {

const Markers& loginMarkers() {
    static const Markers markers = {
        maintenance("This site is currently undergoing scheduled maintenance and is temporarily"),
        interaction("<title>Diners Club - Finish registration</title>"),
        invalid("<title>Diners Club - Invalid Password</title>"),
        provider("<TITLE>Server Error</TITLE>"),
        provider("<title>Diners Club - Directory error</title>"),
        provider("<TITLE>Diners Club - Internal Error</TITLE>"),
        invalid("<title>Diners Club - Invalid Card Number</title>"),
        invalid("<title>Diners Club - Invalid Password</title>"),
        provider("DbUnavailableException"),
        invalid("You are being redirected"),
    };
    return markers;
}

std::string statementBody(std::string_view subdir, std::string_view date) {
    return "subdir=" + std::string(subdir) +
           "&unbilledfilename=UNBILLED&unbilledText=New%20Transactions%20Since%20Last%20Statement"
           "&paydate=not%20set&action=submit&D1=" +
           std::string(date) +
           "&StatementType=view&ExcelDateFmt=yyyy%2DMM%2Ddd"
           "&LotusDateFmt=dd%2DMMM%2Dyyyy&QuickDateFmt=MMM%2Ddd%2Dyyyy&MoneyDateFmt=MM%2Fdd%2Fyyyy&ExcelCurDec=%2E"
           "&LotusCurDec=%2E&QuickCurDec=%2E&MoneyCurDec=%2E&ExcelValSep=%2C&LotusValSep=%2C";
}

}  // namespace dinersclub

class DinersClub final : public Adapter<DinersClub> {
public:
    static constexpr const char* KEY = "DinersClub";

    void update() override {
        validateLoginLengths(0, 6, 20, 0, 6, 10);

        std::string body = "login=" + credential(m_username) + "&password=" + credential(m_password);
        appendInputImage(body, "", 46, 15);
        const std::string page = doPost(url("site", "/ptl/loginHandler.do"), body);
        if (firstMarker(page, dinersclub::loginMarkers())) return;

        // The latest billed statement: the second entry when the first
        // holds the transactions not yet billed.
        const std::string statements = doGet(url("site", "/ptl/global/jsps/statements/select_stmtOrDld.jsp"));
        std::string date = between(statements, "ArrayAcctDates[0] = \"0,", ",");
        if (date == "UNBILLED") date = between(statements, "ArrayAcctDates[1] = \"0,", ",");

        const std::string statement = doPost(url("site", "/ptl/com.dinersclub.statements.servlets.GetStatementDate"),
                                             dinersclub::statementBody("%2Fglobal%2Fjsps%2F", date));
        registerBalance(valueAfter(statement, "Club Rewards Balance", "<b>", "<"));
    }
};

RL_ADAPTER(DinersClub)

}  // namespace tracker::adapters
