// British Midland Diamond Club: an ASP.NET login form whose view state goes
// back with the credentials, the balance, then a log-out.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class BritishMidland final : public Adapter<BritishMidland> {
public:
    static constexpr const char* KEY = "BritishMidland";

    void update() override {
        validateLoginLengths(8, 0, 0, 6, 0, 0);

        const std::string loginPage =
            url("site",
                "/bmi/en-gb/yourflybmi/yourflybmilogin.aspx?ReturnUrl=/bmi/en-gb/yourflybmi/yourflybmiprofile.aspx");
        const std::string viewState = liftNextViewState(doGet(loginPage));
        if (viewState.empty()) {
            cannotDetermine("No viewstate found for BritishMidland");
            return;
        }

        std::string body = "%5F%5FVIEWSTATE=" + viewState + "&formid=formLogin" +
                           "&ctl00%24MainContent%24ctl02%24ctl00%24txtEmailAddress=" + credential(m_username) +
                           "&ctl00%24MainContent%24ctl02%24ctl00%24txtPassword=" + credential(m_password);
        appendInputImage(body, "ctl00%24MainContent%24ctl02%24ctl00%24btnLogin", 47, 19);
        const std::string page = doPost(loginPage, body);

        const Markers markers = {
            maintenance("Please note the diamond club site is currently unavailable due to essential maintenance work "
                        "being carried out."),
            maintenance("The bmi website is currently unavailable due to maintenance."),
            invalid("Invalid details. Please enter your 8 digit member number and 6 digit pin/password and try again."),
            invalid("Your login details are incorrect. Please try again."),
            invalid("your " + domainName() + " profile already exists with this email address"),
            invalid("Your membership number and pin/password are not recognised"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "FarhavenMilesVal", ">", "<"));

        logOut([this, &viewState] {
            std::string signOff = "%5F%5FVIEWSTATE=" + viewState + "&formid=frmYourFlybmi";
            appendInputImage(signOff, "ctl00%24btnLogout", 55, 19);
            doPost(url("site", "/bmi/en-gb/yourflybmi/yourflybmiprofile.aspx"), signOff);
        });
    }
};

RL_ADAPTER(BritishMidland)

}  // namespace tracker::adapters
