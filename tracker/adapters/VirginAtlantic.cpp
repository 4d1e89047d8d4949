// Virgin Atlantic Flying Club: one login post; the balance stands in the
// logged-in club table.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class VirginAtlantic final : public Adapter<VirginAtlantic> {
public:
    static constexpr const char* KEY = "VirginAtlantic";

    void update() override {
        validateLoginLengths(0, 5, 8, 0, 5, 8);

        std::string body = "callback=%2Ffrequentflyer%2Findex.jsp&login_uname=" + credential(m_username) +
                           "&login_pwd=" + credential(m_password);
        appendInputImage(body, "fcLoginButton", 67, 19);
        const std::string page = doPost(url("site", "/en/us/frequentflyer/login.next"), body);

        static const Markers markers = {
            provider("Sorry, we are currently experiencing problems with our server."),
            invalid("Your details cannot be validated."),
            blocked("Sorry, this account is locked."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfterChain(page, {"flyClubTableLoggedIn", "Mileage"}, "<td>", "<"));
    }
};

RL_ADAPTER(VirginAtlantic)

}  // namespace tracker::adapters
