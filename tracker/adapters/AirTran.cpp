// AirTran A-Plus Rewards: the login form's session id, the login post, the
// balance, then a log-out that only follows a login the site accepted.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AirTran final : public Adapter<AirTran> {
public:
    static constexpr const char* KEY = "AirTran";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 4, 10);

        const std::string form = doGet(url("tickets", "/skylights/cgi-bin/skylights.cgi?module=MP"));
        const std::string sessionId = valueAfter(form, "sid", "value='", "' />");

        const std::string body = "language=EN&module=MP&page=LOGIN_REDIRECT&email_addr=" + credential(m_username) +
                                 "&password=" + credential(m_password) + "&sid=" + sessionId + "&log_in=1";
        const std::string page = doPost(url("tickets", "/skylights/cgi-bin/skylights.cgi"), body);

        static const Markers markers = {
            provider("experiencing overwhelming demand and is not able to process"),
            invalid("Use this button to change your current user name and/or password."),
            invalid("The system did not recognize the login information and/or password that you entered. Please "
                    "check your entries and try again."),
            invalid("login failure"),
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("<H1>Server Error</H1>"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Available Credits", "AvailCredits\">", "<"));
        logOut([this] {
            doGet(url("tickets", "/skylights/cgi-bin/skylights.cgi?module=MP&page=LOGOUT&language=EN&hostenv=p"));
        });
    }
};

RL_ADAPTER(AirTran)

}  // namespace tracker::adapters
