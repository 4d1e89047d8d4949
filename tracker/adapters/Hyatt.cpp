// Hyatt Gold Passport: the sign-in form of the site's profile handler is
// posted whole, its hidden fields written as the form carries them; the
// answer shows the current points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Hyatt final : public Adapter<Hyatt> {
public:
    static constexpr const char* KEY = "Hyatt";

    void update() override {
        const std::string body =
            "_dyncharset=ISO-8859-1"
            "&%2Fatg%2Fuserprofiling%2FProfileFormHandler.repositoryId=247423619"
            "&_D%3A%2Fatg%2Fuserprofiling%2FProfileFormHandler.repositoryId=+"
            "&%2Fatg%2Fuserprofiling%2FProfileFormHandler.tempPasswordURL=%2Fgp%2Faccount%2Fset_password.jsp"
            "&_D%3A%2Fatg%2Fuserprofiling%2FProfileFormHandler.tempPasswordURL=+"
            "&%2Fatg%2Fuserprofiling%2FProfileFormHandler.loginErrorURL=%2Fgp%2Faccount%2Fsign_in.jsp"
            "&_D%3A%2Fatg%2Fuserprofiling%2FProfileFormHandler.loginErrorURL=+"
            "&%2Fatg%2Fuserprofiling%2FProfileFormHandler.loginSuccessURL=%2Fgp%2Findex.jsp"
            "&_D%3A%2Fatg%2Fuserprofiling%2FProfileFormHandler.loginSuccessURL=+"
            "&username=" +
            credential(m_username) + "&_D%3Ausername=+&password=" + credential(m_password) +
            "&_D%3Apassword=+&rememberme=true&_D%3Arememberme=+&_D%3Arememberme=+"
            "&%2Fatg%2Fuserprofiling%2FProfileFormHandler.passwordLogin=submit"
            "&_D%3A%2Fatg%2Fuserprofiling%2FProfileFormHandler.passwordLogin=+"
            "&_D%3A=+&_DARGS=%2Fgp%2Faccount%2Fsign_in.jsp";
        const std::string page =
            doPost(url("site", "/gp/en/account/sign_in.jsp?_DARGS=/gp/en/account/sign_in.jsp"), body);

        static const Markers markers = {
            invalid("The password you entered does not correspond with your username or Hyatt Gold Passport account "
                    "number."),
            invalid("The username or Hyatt Gold Passport account number you entered is invalid."),
        };
        if (firstMarker(page, markers)) return;

        registerBlankDetails();
        registerBlankTransactions();
        registerBalance(valueAfter(page, "CURRENT POINTS:", "<td class=\"font-11 bold bdr-2\">", "</td>"));
    }
};

RL_ADAPTER(Hyatt)

}  // namespace tracker::adapters
