// MBNA WorldPoints: the log-in names the card account, whose rewards report
// shows the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class MBNA final : public Adapter<MBNA> {
public:
    static constexpr const char* KEY = "MBNA";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 0, 0);

        const std::string page = doPost(url("secure", "/NASApp/NetAccess/Login?originalQueryString="),
                                        "username=" + credential(m_username) + "&password=" +
                                            credential(m_password) + "&cssFile=1140835124395&Submit=Go");

        static const Markers markers = {
            invalid("Login Name/Password combination is not recognized"),
            invalid("Login Name must contain at least 6 characters"),
        };
        if (firstMarker(page, markers)) return;

        // The account id of the first link after the page's first mention
        // of one.
        const std::string account =
            betweenFrom(page, chainedPosition(page, {"ACCTID", "ACCTID="}), "ACCTID=", "\"");
        const std::string report = doGet(url("secure", "/NASApp/NetAccess/LinkClickReport?ehn=670&seq=31&Go=Go&ACCTID=" +
                                                           account + "&set=25&JavaScriptEnabled=NO"));
        registerBalance(valueAfter(report, "d=\"value\"", "<h4>", "</h4>"));
    }
};

RL_ADAPTER(MBNA)

}  // namespace tracker::adapters
