// Swiss TravelClub, on the shared airline club site: a cookie the site's
// script would set, the session opened on the site (its answer not read),
// then the login GET on the secure host, whose member page the club flow
// reads with details and activity.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/LoyaltyGateSource.h"

namespace tracker::adapters {

class Swiss final : public Adapter<Swiss, LoyaltyGateSource> {
public:
    static constexpr const char* KEY = "Swiss";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 4, 6);

        addCookie("site", "canUseCookies", "yes");
        doGet(url("site", "/FFP/CDA/shared/initializeSessionId/0,6424,1__1_0_1_swiss,00.html?targetURL=" +
                              url("site", "/FFP/CDA/swiss/swissMasterHome/0,5694,1__1_0_1_,00.html&aid=1")),
              PAGE_NOT_READ);

        const std::string page = doGet(url(
            "secure",
            "/FFP/CDA/shared/login/Login_User/0,5650,1__1_0_1_,00.html"
            "?errorUrlLoginSQA=%2FFFP%2FCDA%2Fswiss%2FswissMasterDynamic%2F0%2C5697%2C1-142__1_0_1_SQA%2C00.html"
            "&errorUrlAddress=%2FFFP%2FCDA%2Fswiss%2FswissMasterDynamic%2F0%2C5697%2C1-142__1_0_1_UrlAddress%2C00.html"
            "&errorUrlEmail=%2FFFP%2FCDA%2Fswiss%2FswissMasterDynamic%2F0%2C5697%2C1-142__1_0_1_Email%2C00.html"
            "&errorUrl=%2FFFP%2FCDA%2Fswiss%2FswissMasterDynamic%2F0%2C5697%2C1-142__1_0_1_%2C00.html"
            "&code=LX&number=" +
                credential(m_username) + "&PINCode=" + credential(m_password) + "&target=12"));

        const Markers markers = {
            maintenance("window.location.href = \"" +
                        url("site", "/FFP/CDA/swiss/swissFFPXIXTransactionException/0,6686,1__1_0_1_,00.html")),
            maintenance("We are improving the service for your comfort. For this reason the Swiss Travelclub website "
                        "is currently not available."),
            invalid("Your PIN was incorrect."),
            invalid("Your membership number is not valid."),
            invalid("Some information of your account is missing or incorrect."),
            provider("[an error occurred while processing this directive]"),
        };
        if (firstMarker(page, markers)) return;

        process(page, true);
    }
};

RL_ADAPTER(Swiss)

}  // namespace tracker::adapters
