// Air New Zealand Airpoints: a login post, then the member services page
// with the balance in Airpoints Dollars.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AirNewZealand final : public Adapter<AirNewZealand> {
public:
    static constexpr const char* KEY = "AirNewZealand";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 0);

        std::string body = "FormType=LoginForm&username=" + credential(m_username) + "&password=" +
                           credential(m_password);
        appendInputImage(body, "in_login_button", 39, 39);
        const std::string login =
            doPost(url("registration", "/spr/login/loginform_proc.jsp?currsite=" + hostName("site")), body);

        static const Markers loginMarkers = {
            provider("Online Services Unavailable"),
            invalid("The username, Airpoints number or password does not match our records or a number of failed"),
        };
        if (firstMarker(login, loginMarkers)) return;

        const std::string page = doGet(url("registration", "/spr/memberservices.jsp"));
        static const Markers pageMarkers = {
            interaction("<script language=\"JavaScript\">location.replace(\"modify_details/modify_details.jsp\")"
                        "</script>"),
        };
        if (firstMarker(page, pageMarkers)) return;

        registerBalance(valueAfter(page, ">Airpoints Dollars<", ">&nbsp;", "<"));
    }
};

RL_ADAPTER(AirNewZealand)

}  // namespace tracker::adapters
