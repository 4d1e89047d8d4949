// Diners Club Club Rewards (Australia): the U.S. site's host under its
// Australian paths; the login, the statement page, and the latest
// statement with the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/DinersClub.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class DinersClubAustralia final : public Adapter<DinersClubAustralia> {
public:
    static constexpr const char* KEY = "DinersClubAustralia";

    void update() override {
        validateLoginLengths(0, 6, 20, 0, 6, 10);

        std::string body = "acctno=" + credential(m_username) + "&Account%5FPassword=" + credential(m_password) +
                           "&subdir=%2Fen_ra%2F";
        appendInputImage(body, "", 60, 19);
        const std::string page = doPost(url("site", "/osrv/com.dinersclub.statements.servlets.Online"), body);
        if (firstMarker(page, dinersclub::loginMarkers())) return;

        const std::string statements = doGet(url("site", "/osrv/en_ra/view_statement.jsp"));
        const std::string date = between(statements, "ArrayAcctDates[0] = \"0,", ",");
        const std::string statement = doPost(url("site", "/osrv/com.dinersclub.statements.servlets.GetStatementDate"),
                                             dinersclub::statementBody("%2Fen_ra%2F", date));
        registerBalance(valueAfter(statement, "Rewards Points Balance", "<font size=\"1\">", "<"));
    }
};

RL_ADAPTER(DinersClubAustralia)

}  // namespace tracker::adapters
