// Midwest Miles: an ASP.NET login form read on the site and posted, with
// its view state, to the same path on the secure host; a balance label
// without a figure is the site's trouble.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class MidwestExpress final : public Adapter<MidwestExpress> {
public:
    static constexpr const char* KEY = "MidwestExpress";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 15);

        const std::string path = "/MAWeb/signin.aspx?ReturnUrl=/MAWeb/myAccount/accountActivity.aspx";
        const std::string viewState = liftViewState(doGet(url("site", path), 6000));
        if (!requireLifted({viewState}, "No viewstate found for Midwest")) return;

        std::string body = "__EVENTTARGET=&__EVENTARGUMENT=&__VIEWSTATE=" + viewState + "&_userIdTextBox=" +
                           credential(m_username) + "&_passwordTextBox=" + credential(m_password);
        appendInputImage(body, "_signInGoImageButton", 42, 9);
        const std::string page = doPost(url("secure", path), body);

        static const Markers markers = {
            invalid("The user name or password you entered is incorrect."),
            invalid("The password you entered is incorrect. Please try a different password."),
            invalid(">Password must have 6-15 alphanumeric characters"),
            invalid(">The User ID you entered is invalid."),
            provider("An error occurred while processing your request. Please try again."),
        };
        if (firstMarker(page, markers)) return;

        registerBalanceUnderLabel(page, ">Current Balance</td>", "<td align=right>", " miles</td>");
    }
};

RL_ADAPTER(MidwestExpress)

}  // namespace tracker::adapters
