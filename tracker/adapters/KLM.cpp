// Flying Blue (Air France / KLM): the entry page opens a session whose two
// ids go back with the credentials, in the form and in the address.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class KLM final : public Adapter<KLM> {
public:
    static constexpr const char* KEY = "KLM";

    void update() override {
        validateLoginLengths(0, 6, 16, 0, 4, 10);

        const std::string entry =
            doGet(url("site", "/cgi-bin/AF/US/en/common/voyageurfrequent/ffp/AccesFFPAction.do"), 15000);
        const std::string session = escapeLifted(lift(entry, "name=\"BV_SessionID\" value=\"", "\""));
        const std::string engine = lift(entry, "name=\"BV_EngineID\" value=\"", "\"");
        if (!requireLifted({session, engine}, "No BV_SessionID or BV_EngineID found for FlyingBlue")) return;

        const std::string ids = "BV_SessionID=" + session + "&BV_EngineID=" + engine;
        const std::string body =
            ids + "&fromPopup=false&returnUrl=%2Fcommon%2Fvoyageurfrequent%2Fffp%2FAccesCompteFFPAction.do&identifiant=" +
            credential(m_username) + "&motDePasse=" + credential(m_password) + "&autolog=true";
        const std::string page =
            doPost(url("site", "/cgi-bin/AF/US/en/common/personnalisation/nonloggue/loginFFP.do?" + ids), body, 15000);

        static const Markers markers = {
            invalid("This password does not correspond to your user name or your Flying Blue number. Please verify. "
                    "You have 3 tries to enter your password."),
            invalid("We were not able to retrieve your profile with the data you have entered.  Please check for "
                    "accuracy."),
            interaction("This password is incorrect. Access to your account will be suspended for 24 hours."),
            provider("The system is unable to respond"),
            invalid("This password does not correspond to your user name or your Flying Blue number."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Available Miles balance:", "<font class=\"txtrouge14b\">", "<"));
    }
};

RL_ADAPTER(KLM)

}  // namespace tracker::adapters
