// Turkish Airlines Miles & Miles: the account page opens the session (its
// answer not read); the login form's post answers with the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Turkish final : public Adapter<Turkish> {
public:
    static constexpr const char* KEY = "Turkish";

    void update() override {
        validateLoginLengths(0, 0, 9, 4, 0, 0);

        doGet(url("secure", "/tkmiles/account.tk"), PAGE_NOT_READ);
        const std::string body =
            "textfield222=TK&j_username=" + credential(m_username) + "&j_password=" + credential(m_password);
        const std::string page = doPost(url("secure", "/tkmiles/j_security_check"), body);

        static const Markers markers = {
            invalid("Incorrect pin"),
            invalid("This Id is not assigned to any member."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "total miles<", "<strong>", "<"));
    }
};

RL_ADAPTER(Turkish)

}  // namespace tracker::adapters
