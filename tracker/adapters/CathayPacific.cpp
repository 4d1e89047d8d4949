// Cathay Pacific Asia Miles: one login post naming the account page to go
// on to; the answer carries the miles available for redemption.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class CathayPacific final : public Adapter<CathayPacific> {
public:
    static constexpr const char* KEY = "CathayPacific";

    void update() override {
        validateLoginLengths(0, 0, 10, 4, 0, 0);

        const std::string body = "action=login&lang=en&targetURL=" + escapedUrl("site", "/en/account/1,,,00.html") +
                                 "&member_no=" + credential(m_username) + "&pin=" + credential(m_password);
        const std::string page = doPost(url("site", "/loginService/1,,,00.html?WAtxn=731"), body);

        static const Markers markers = {
            provider("<TITLE>Request Timeout</TITLE>"),
            provider("System service is temporarily unavailable"),
            provider("Our system is temporarily unavailable."),
            maintenance("Due to scheduled maintenance, access to the Member's Area will be unavailable"),
            invalid("Membership number is invalid."),
            invalid("Member ID is invalid"),
            invalid("PIN is invalid"),
            interaction("We are unable to contact you at email"),
            invalid("Invalid membership number or your PIN is incorrect."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Asia Miles available for redemption", "<strong>", "</strong>"));
    }
};

RL_ADAPTER(CathayPacific)

}  // namespace tracker::adapters
