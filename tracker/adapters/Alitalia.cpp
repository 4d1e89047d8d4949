// Alitalia MilleMiglia: an ASP.NET login form whose view state goes back
// with the credentials.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Alitalia final : public Adapter<Alitalia> {
public:
    static constexpr const char* KEY = "Alitalia";

    void update() override {
        const std::string loginPage = url("secure", "/MM/Login.aspx");
        const std::string viewState = liftViewState(doGet(loginPage));
        if (viewState.empty()) {
            cannotDetermine("No viewstate found for Alitalia");
            return;
        }

        std::string body =
            "__VIEWSTATE=" + viewState + "&txtUserId=" + credential(m_username) + "&txtPin=" + credential(m_password);
        appendInputImage(body, "btnLogin", 45, 14);
        const std::string page = doPost(loginPage, body);

        static const Markers markers = {
            provider("the login service is not available."),
            invalid("the given login information is not correct."),
            invalid("We are sorry but Alitalia can not recognise the data submitted. Please enter your User ID and "
                    "PIN again."),
            provider("Sorry, but there is a technical problem on the web site."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Your miles:", "<span id=\"lblMilesCount\">", "<"));
    }
};

RL_ADAPTER(Alitalia)

}  // namespace tracker::adapters
