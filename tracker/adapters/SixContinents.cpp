// Priority Club Rewards: a login post on the secure host, then the account
// page with the points balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class SixContinents final : public Adapter<SixContinents> {
public:
    static constexpr const char* KEY = "SixContinents";

    void update() override {
        validateLoginLengths(0, 0, 0, 4, 0, 0);

        std::string body = "secure=true&loginErrorURL=%2Fh%2Fd%2Fpc%2F1%2Fen%2Flogin&loginSuccessURL=%2Fh%2Fd%2Fpc%2F1%2Fen%2F"
                           "tpaccount%3Fsecure%3Dtrue&login=" +
                           credential(m_username) + "&password=" + credential(m_password);
        appendInputImage(body, "", 91, 23);
        const std::string answer = doPost(url("secure", "/h/d/pc/1/en/loginm?secure=true"), body);

        static const Markers markers = {
            provider("<TITLE>Service Unavailable</TITLE>"),
            provider("<TITLE>Internal Server Error</TITLE>"),
            provider("<TITLE>Request Timeout</TITLE>"),
            interaction("We have had problems reaching you by email or you have not yet provided us with an email "
                        "address."),
            maintenance("We are performing scheduled maintenance on our web site"),
            provider("We are sorry, our system is temporarily unavailable."),
            provider("We are sorry, the Priority Club Rewards system is currently unavailable."),
            invalid("The Priority Club Rewards Member Number or PIN provided cannot be found."),
            invalid("The Priority Club number is invalid."),
            invalid("Login Failed. Please verify your Email address, Priority Club number, or PIN."),
            invalid("Invalid login."),
            interaction("Number you are currently using has expired."),
            interaction("We have had problems reaching you by email."),
            interaction("The feature you have requested requires Priority Club membership."),
            interaction("Login failed due to duplicate Email addresses found.  Please use Priority Club number to log "
                        "in."),
        };
        if (firstMarker(answer, markers)) return;

        const std::string page = doGet(url("secure", "/h/d/pc/1/en/tpaccount?secure=true"));
        registerBalance(
            valueAfter(page, "Current Points Balance:", "<span class=\"accountPointsPositive\">", "&nbsp;"));
    }
};

RL_ADAPTER(SixContinents)

}  // namespace tracker::adapters
