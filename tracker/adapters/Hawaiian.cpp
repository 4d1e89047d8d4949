// Hawaiian Airlines HawaiianMiles: an ASP.NET login form whose view state
// goes back with the credentials; a login answer that moved the page on is
// followed to the account page.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Hawaiian final : public Adapter<Hawaiian> {
public:
    static constexpr const char* KEY = "Hawaiian";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 0, 0);

        const std::string viewState = liftViewState(doGet(url("site", "/myhawaiianmiles/Login.aspx"), 12000));
        if (!requireLifted({viewState}, "No viewstate found for Hawaiian")) return;

        std::string body = "__VIEWSTATE=" + viewState + "&txtHMId=" + credential(m_username) +
                           "&txtPassword=" + credential(m_password);
        appendInputImage(body, "btnLogin", 60, 18);
        std::string page = doPost(url("site", "/myhawaiianmiles/Login.aspx"), body);

        static const Markers markers = {
            provider("The HawaiianMiles system is currently unavailable."),
            invalid("You have entered an incorrect Membership # or Password.  Please try again or click Forgot your "
                    "Password?"),
            invalid("AccountNo# should be numeric."),
            interaction("You do not have a password on record."),
            interaction("Your Account is Disabled"),
            blocked("Hawaiian Airlines | Account Locked"),
            interaction("Finalize Member Enrollment"),
        };
        if (firstMarker(page, markers)) return;

        if (page.find("<title>Object moved</title>") != std::string::npos) {
            page = doGet(url("site", "/myhawaiianmiles/default.aspx"));
        }
        registerBalance(valueAfter(page, "Mileage:", "font-size:15px;\">", "<"));
    }
};

RL_ADAPTER(Hawaiian)

}  // namespace tracker::adapters
