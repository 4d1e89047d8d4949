// e-Rewards: the rewards history page (plain HTTP) names the token of the
// secure log-in, whose answer carries the account balance in dollars.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Erewards final : public Adapter<Erewards> {
public:
    static constexpr const char* KEY = "Erewards";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 4, 20);

        const std::string history = doGet(url("site", "/rewardshistory.do"), 7000);
        static const Markers historyMarkers = {provider("e-Rewards&#180; web site currently is")};
        if (firstMarker(history, historyMarkers)) return;

        std::string body =
            "logonHelper.email=" + credential(m_username) + "&logonHelper.password=" + credential(m_password);
        appendInputImage(body, "loginButton", 65, 20);
        const std::string page =
            doPost(url("secure", "/authenticatelogin.do?rnd1=" + between(history, "?rnd1=", "'")), body);

        static const Markers markers = {
            invalid("entered the wrong password"),
            provider("An unexpected error condition has occurred. Please try again later."),
            provider("The process you requested is currently unavailable."),
            invalid("NOTE: Passwords require a minimum of 4 characters and have a maximum <br>&nbsp;&nbsp;of 20 "
                    "characters."),
            maintenance("unavailable while upgrades are"),
            invalid("Sorry, there is not an e-Rewards account for this e-mail address"),
            invalid("Please provide your e-mail address in the correct format"),
            interaction("Sorry, you have cancelled your e-Rewards membership."),
            invalid("The e-mail address or password you entered is not correct"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "My Account Balance", "$", "<"));
    }
};

RL_ADAPTER(Erewards)

}  // namespace tracker::adapters
