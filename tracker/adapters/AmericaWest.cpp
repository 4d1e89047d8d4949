// America West FlightFund: an ASP.NET login form whose view state goes back
// with the credentials; the answer carries the balance and three details
// rows.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class AmericaWest final : public Adapter<AmericaWest> {
public:
    static constexpr const char* KEY = "AmericaWest";

    void update() override {
        const std::string loginPage = url("site", "/awa/profiles/loginprofile.aspx?nextto=/awa/profiles/mainmenu.aspx");
        const std::string viewState = liftViewState(doGet(loginPage));
        if (viewState.empty()) {
            cannotDetermine("No viewstate found for AmericaWest");
            return;
        }

        std::string body =
            "__EVENTTARGET=&__EVENTARGUMENT=&__VIEWSTATE=" + viewState +
            "&search%3Aspa=00031a39-sp00000000&search%3Aspq=Search&loginTextBox=" + credential(m_username) +
            "&passwordTextBox=" + credential(m_password);
        appendInputImage(body, "loginButton", 64, 26);
        const std::string page = doPost(loginPage, body);

        static const Markers markers = {
            invalid("We're sorry, the password you entered is invalid for this username."),
            invalid("We're sorry, the profile name you have entered is invalid."),
            invalid("The username you entered is not recognized in the system."),
            invalid("The password you entered is not recognized in the system."),
        };
        if (firstMarker(page, markers)) return;

        const std::string_view end = "</span>";
        std::string details;
        const int number = addDetailsRowB1(details, "FlightFund Number", ">FlightFund Number<", {}, 1, 25, -1, page,
                                           "<span id=\"flightFundNumDisplay\" class=\"11\">", end);
        const int balanceLabel = positionOf(page, ">Balance<", number + 1);
        const std::string balance =
            betweenFrom(page, balanceLabel, "<span id=\"mileBalanceDisplay\" class=\"11\">", end);
        const int status = addDetailsRowB1(details, "Elite Miles and Segments", ">Elite Status<", {}, 1, 25,
                                           balanceLabel, page, "<span id=\"eliteStatusDisplay\" class=\"11\">", end);
        addDetailsRowB1(details, "Elite Miles and Segments", ">Earned", {}, 22, 30, status, page,
                        "<span id=\"futureMileStatusDisplay\" class=\"11\">", end);
        registerDetails(details);

        registerBalance(balance);
    }
};

RL_ADAPTER(AmericaWest)

}  // namespace tracker::adapters
