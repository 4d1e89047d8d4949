// Returns (La Quinta / Baymont): the credentials travel in the query of an
// empty post; the answer's account table carries the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class LaQuinta final : public Adapter<LaQuinta> {
public:
    static constexpr const char* KEY = "LaQuinta";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 5, 10);

        const std::string page =
            doPost(url("site", "/lq/returns/checkaccount.do?account=" + credential(m_username) +
                                   "&password=" + credential(m_password) + "&frompage=L"),
                   "");

        static const Markers markers = {
            provider("<title>502 Bad Gateway</title>"),
            provider("The system is currently unavailable."),
            interaction("Your Returns account has been cancelled."),
            interaction("Your La Quinta Returns account has been cancelled."),
            interaction("This account is no longer active."),
            invalid("The Returns account number or the password you have entered is invalid, please attempt to log "
                    "in again."),
            invalid("Invalid Account Number and/or password"),
            interaction("your account cannot be accessed online at this time because a password has not been "
                        "defined"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Current Point Balance", "<th class=\"row-last-child\">", "</th>"));
    }
};

RL_ADAPTER(LaQuinta)

}  // namespace tracker::adapters
