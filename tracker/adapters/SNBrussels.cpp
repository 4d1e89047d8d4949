// SN Brussels Privilege, on the shared airline club site: a cookie the
// site's script would set, the session opened on the site and on the
// secure host (neither answer read), then the login GET, whose member page
// the club flow reads for the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"
#include "tracker/core/LoyaltyGateSource.h"

namespace tracker::adapters {

class SNBrussels final : public Adapter<SNBrussels, LoyaltyGateSource> {
public:
    static constexpr const char* KEY = "SNBrussels";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 0, 0);

        addCookie("site", "canUseCookies", "yes");
        doGet(url("site", "/FFP/CDA/shared/initializeSessionId/0,6424,2__1_0_1_snba,00.html?targetURL=" +
                              url("site", "/FFP/CDA/snba/snbaMasterHome/0,5833,2__1_0_1_,00.html&aid=3")),
              PAGE_NOT_READ);
        doGet(url("secure", "/FFP/CDA/snba/snbaMasterDynamicCache/0,6355,2-260__1_0_1_,00.html"), PAGE_NOT_READ);

        const std::string page = doGet(url(
            "secure",
            "/FFP/CDA/shared/login/Login_User/0,5650,2-576__1_0_1_,00.html"
            "?errorUrlLoginSQA=%2FFFP%2FCDA%2Fsnba%2FsnbaMasterDynamic%2F0%2C5839%2C2-576__1_0_1_LoginSQA%2C00.html"
            "&errorUrlAddress=%2FFFP%2FCDA%2Fsnba%2FsnbaMasterDynamic%2F0%2C5839%2C2-576__1_0_1_UrlAddress%2C00.html"
            "&errorUrlEmail=%2FFFP%2FCDA%2Fsnba%2FsnbaMasterDynamic%2F0%2C5839%2C2-576__1_0_1_Email%2C00.html"
            "&errorUrl=%2FFFP%2FCDA%2Fsnba%2FsnbaMasterDynamic%2F0%2C5839%2C2-576__1_0_1_%2C00.html"
            "&code=SN&number=" +
                credential(m_username) + "&PINCode=" + credential(m_password)));

        const Markers markers = {
            maintenance("window.location.href = \"" +
                        url("site", "/FFP/CDA/snba/snbaFFPXIXTransactionException/0,6687,2-576__1_0_1_,00.html")),
            maintenance("Privilege website maintenance"),
            invalid("Your PIN was incorrect."),
            invalid("Your membership number is not valid."),
        };
        if (firstMarker(page, markers)) return;

        process(page, false);
    }
};

RL_ADAPTER(SNBrussels)

}  // namespace tracker::adapters
