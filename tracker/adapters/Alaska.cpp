// Alaska Airlines Mileage Plan: the sign-in page sets the session, the
// sign-in post names the account page to go on to, which shows the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Alaska final : public Adapter<Alaska> {
public:
    static constexpr const char* KEY = "Alaska";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 5, 50);

        const std::string account = "/www2/ssl/myalaskaair/manageacct/MyAccount_toc.asp";
        doGet(url("site", "/www2/ssl/myalaskaair/signin/signinstart.asp?url=" + url("site", account)));

        std::string body = "USERID=" + credential(m_username) + "&PASSWORD=" + credential(m_password) +
                           "&JSENABLED=TRUE&EDITABLETYPE=&EDITABLEGROUP=&IDTOEDIT=&EDITACTION=&POSTBACK="
                           "ProcessFormLogIn&TRANSFERURI=" +
                           escapedUrl("site", account);
        appendInputImage(body, "SignIn", 79, 20);
        const std::string page = doPost(url("site", "/www2/ssl/myalaskaair/signin/SignInStart.asp"), body);

        static const Markers markers = {
            invalid("The password you entered does not match the User ID or Mileage Plan number"),
            invalid("Invalid User ID, Mileage Plan number or Password"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "Current Balance:", "</span>"));
    }
};

RL_ADAPTER(Alaska)

}  // namespace tracker::adapters
