// Air Miles: the collector's log-in, then the home page it opens, which
// shows the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AirMiles final : public Adapter<AirMiles> {
public:
    static constexpr const char* KEY = "AirMiles";

    void update() override {
        validateLoginLengths(11, 0, 0, 4, 0, 0);

        std::string body = "pagename=Airmiles%2FLogin%2FProcess&collectorNumber=" + credential(m_username) +
                           "&collectorPIN=" + credential(m_password);
        appendInputImage(body, "", 26, 27);
        const std::string page = doPost(url("site", "/servlet/ContentServer"), body);

        static const Markers markers = {
            provider("In an effort to continue to meet the needs of our Collectors, we are performing some upgrades. "
                     "Please come back soon and we apologize for any inconvenience."),
            provider("<TITLE>Error 500--Internal Server Error</TITLE>"),
            invalid("We're sorry but there was a problem signing-in."),
            invalid("Your Collector number isn't valid."),
            invalid("We're sorry, we cannot match your information to our records."),
            invalid("We're still having a problem confirming your information."),
            invalid("Collector PIN must be 4 digits in length."),
            interaction("You do not yet have a PIN."),
            invalid("Sorry but the information you've entered is incorrect."),
            invalid("Please try and re-enter the correct information"),
        };
        if (firstMarker(page, markers)) return;

        const std::string home = doPost(url("site", "/servlet/ContentServer?pagename=Airmiles/Home/Index"), "LOGIN=true");
        registerBalance(between(home, "<div id=\"f24b\">", "</div>"));
    }
};

RL_ADAPTER(AirMiles)

}  // namespace tracker::adapters
