// Qantas Frequent Flyer: the login form's page opens the session; the login
// sends the surname (the second password) between the number and the PIN.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Qantas final : public Adapter<Qantas> {
public:
    static constexpr const char* KEY = "Qantas";

    void update() override {
        validateLoginLengths(0, 0, 0, 4, 0, 0);

        doGet(url("secure", "/fflyer/dyns/LoginForm"), PAGE_NOT_READ);

        std::string body = "login_ffNumber=" + credential(m_username) + "&login_surname=" + credential(m_password2) +
                           "&login_pin=" + credential(m_password);
        appendInputImage(body, "login_submit", 53, 17);
        const std::string page = doPost(url("secure", "/fflyer/dyns/dologin?action=login"), body);

        static const Markers markers = {
            provider("<title>Server Error</title>"),
            maintenance("The Qantas Frequent Flyer service is temporarily unavailable due to maintenance."),
            provider("The site is experiencing difficulties at present."),
            invalid("The PIN is incorrect."),
            invalid("The membership number is incorrect."),
            interaction("To maintain security over your account you need to enter a new PIN to continue."),
            invalid("To continue, please complete the fields"),
            invalid("do not match our records"),
            invalid("several unsuccessful attempts to login"),
            provider("<H2>Message from the NSAPI plugin:</H2>"),
            invalid("Please enter your last name."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Total points:", "<strong>", "<"));
    }
};

RL_ADAPTER(Qantas)

}  // namespace tracker::adapters
