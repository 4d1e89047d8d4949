// Emirates Skywards: an ASP.NET login form whose view state and event
// validation go back with the credentials; the balance, then a log-out.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Emirates final : public Adapter<Emirates> {
public:
    static constexpr const char* KEY = "Emirates";

    void update() override {
        validateLoginLengths(0, 0, 11, 0, 5, 8);

        const std::string loginPage = doGet(url("site", "/index.aspx"));
        const std::string viewState = escapeLifted(liftValueAfter(loginPage, "VIEWSTATE"));
        const std::string validation = escapeLifted(liftValueAfter(loginPage, "EVENTVALIDATION"));
        if (!requireLifted({viewState, validation}, "No viewstate or eventvalidation found for Emirates")) return;

        std::string body = "Login2%24Login1%24UserName=" + credential(m_username) +
                           "&Login2%24Login1%24Password=" + credential(m_password) + "&%5F%5FVIEWSTATE=" + viewState +
                           "&%5F%5FEVENTVALIDATION=" + validation;
        appendInputImage(body, "Login2%24Login1%24ImageButton1", 25, 15);
        const std::string page = doPost(url("site", "/index.aspx"), body);

        static const Markers markers = {
            provider("Object variable or With block variable not set"),
            provider("Script timed out"),
            invalid("Sorry, the password you have entered does not match the Skywards member number in our database."),
            invalid("Forgotten your password?"),
            invalid("<title>Skywards - Incorrect Password</title>"),
            interaction("<title>Skywards - Activate Memebership</title>"),
            invalid("Incorrect Password"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Miles", "<span id=\"ctl03_lblBalance\">", "<"));

        logOut([this] { doGet(url("site", "/logout.aspx"), PAGE_NOT_READ); });
    }
};

RL_ADAPTER(Emirates)

}  // namespace tracker::adapters
