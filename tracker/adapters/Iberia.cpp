// Iberia Plus: the home page opens a session whose two ids go back with the
// credentials, in the form and in the address; the balance is read in the
// page's language, English or Spanish.

#include "foundation/StrUtil.h"
#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Iberia final : public Adapter<Iberia> {
public:
    static constexpr const char* KEY = "Iberia";

    void update() override {
        validateLoginLengths(8, 0, 0, 6, 0, 0);

        const std::string home = doGet(url("site", "/OneToOne/v3/home.do"), 17000);
        const std::string session = escapeLifted(lift(home, "name=\"BV_SessionID\" value=\"", "\""));
        const std::string engine = lift(home, "name=\"BV_EngineID\" value=\"", "\"");
        if (!requireLifted({session, engine}, "No BV_SessionID or BV_EngineID found for Iberia")) return;

        const std::string ids = "BV_SessionID=" + session + "&BV_EngineID=" + engine;
        const std::string body = ids + "&username=" + credential(m_username) + "&password=" + credential(m_password);
        const std::string page = doPost(url("site", "/OneToOne/v3/login.do?" + ids), body, 18000);

        static const Markers markers = {
            provider("At this moment, our online services are not available."),
            invalid("Your username/password is invalid."),
            invalid("La combinaci\xF3n de n\xFAmero de tarjeta Iberia Plus y PIN que ha introducido no es correcta"),
            invalid("If you forget your PIN"),
        };
        if (firstMarker(page, markers)) return;

        const std::string balance =
            page.find("Your balance is") != std::string::npos
                ? valueAfter(page, "Your balance is", "<span class=\"puntos\">", "&nbsp;points")
                : valueAfter(page, "Su saldo es", "<span class=\"puntos\">", "&nbsp;puntos");
        // Points are whole: a point in the figure separates thousands.
        registerBalance(foundation::StrUtil::replacePeriodsWithCommas(balance));
    }
};

RL_ADAPTER(Iberia)

}  // namespace tracker::adapters
