// Discover Card: the log-in, then the rewards dashboard, whose figure is
// miles or cash back depending on the card.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Discover final : public Adapter<Discover> {
public:
    static constexpr const char* KEY = "Discover";

    void update() override {
        validateLoginLengths(0, 6, 16, 0, 5, 10);

        std::string body = "SCREEN_WIDTH2=640&DC_PLATINUM2=N&userID=" + credential(m_username) +
                           "&password=" + credential(m_password) + "&loginseq=&link=";
        appendInputImage(body, "Log+In", 56, 17);
        const std::string page = doPost(url("site", "/cardmembersvcs/loginlogout/app/signin"), body, 2000);

        static const Markers markers = {
            invalid("<title>Discover Card: Account Center Log In Error</title>"),
            invalid("<title>Discover Card: Log In Not Registered Error</title>"),
        };
        if (firstMarker(page, markers)) return;

        const std::string dashboard = doGet(url("site", "/cardmembersvcs/cbb/app/dashboard"));
        static const Markers dashboardMarkers = {
            interaction("<title>Discover Card: No Redemption Options Available</title>"),
        };
        if (firstMarker(dashboard, dashboardMarkers)) return;

        if (positionOf(dashboard, ">Total Miles<") >= 0) {
            registerBalance(valueAfter(dashboard, ">Total Miles<", "class=\"processLabel\">", "<"));
        } else if (positionOf(dashboard, ">Current Balance<") >= 0) {
            registerBalance(valueAfter(dashboard, ">Current Balance<", "\"right\"><strong>", "<"));
        } else {
            cannotDetermine("Unable to parse Discover");
        }
    }
};

RL_ADAPTER(Discover)

}  // namespace tracker::adapters
