// Gold Points Rewards: one login post whose answer carries the balance. The
// maintenance sentence names the site by its own domain name.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class GoldPoints final : public Adapter<GoldPoints> {
public:
    static constexpr const char* KEY = "GoldPoints";

    void update() override {
        validateLoginLengths(0, 6, 16, 0, 6, 16);

        const std::string body = "action=LoginCustomerAction&Fuserid=" + credential(m_username) +
                                 "&Fpassword=" + credential(m_password) + "&login=Login";
        const std::string page = doPost(url("site", "/site/login/Login.jsp"), body);

        const Markers markers = {
            provider("Unable to respond to your request - please try again later."),
            maintenance("To improve our service to you, " + domainName() + " is undergoing scheduled maintenance."),
            blocked("Our records indicate that this account has a hold placed on it."),
            invalid("The user name and password combination you entered is invalid."),
            invalid("The username and password combination you entered is invalid."),
            invalid("** Only Letters and Digits allowed"),
            invalid("** 6 - 16 characters only"),
            interaction("An error has been associated with this card number.  Please contact the Gold Points "
                        "Customer Service Center for further assistance."),
            invalid("As of 4/19/06, passwords are case sensitive."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(foundation::StrUtil::cleanSpaces(between(page, "Your current point balance is:", "<")));
    }
};

RL_ADAPTER(GoldPoints)

}  // namespace tracker::adapters
