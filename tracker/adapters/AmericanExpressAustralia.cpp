// American Express Membership Rewards (Australia): the log-off page, then
// the log-on naming the rewards accounts page to land on, which carries
// the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AmericanExpressAustralia final : public Adapter<AmericanExpressAustralia> {
public:
    static constexpr const char* KEY = "AmericanExpressAustralia";

    void update() override {
        validateLoginLengths(0, 4, 0, 0, 5, 8);

        doGet(url("site", "/myca/logon/japa/action?request_type=LogLogoffHandler&Face=en_AU"));
        const std::string body = "request_type=LogLogonHandler&DestPage=https%3A%2F%2F" + hostName("site") +
                                 "%2Fmyca%2Frewards%2Fjapa%2Faction%3Frequest_type%3Dauthreg_MrMultipleAccounts%26Face%"
                                 "3Den_AU&Face=en_AU&UserID=" +
                                 credential(m_username) + "&Password=" + credential(m_password) + "&Logon=Weiter...";
        const std::string page = doPost(url("site", "/myca/logon/japa/action"), body);

        static const Markers markers = {
            invalid("Your American Express Online Services User ID or Password is Incorrect."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfterChain(page, {"Choose Your MR Account", "PointBalanceButton"}, "style=\"width:50%\">",
                                        "&nbsp;"));
    }
};

RL_ADAPTER(AmericanExpressAustralia)

}  // namespace tracker::adapters
