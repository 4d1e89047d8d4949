// Ebates: the log-on form for its cookies, a log-on whose answer is not
// read, the account page with the cash back, then a log-out.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Ebates final : public Adapter<Ebates> {
public:
    static constexpr const char* KEY = "Ebates";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 6, 12);

        doGet(url("site", "/auth/getLogonForm.do?pageName=/login.vm"), PAGE_NOT_READ);
        std::string body = "username=" + credential(m_username) + "&password=" + credential(m_password) + "&terms=on";
        appendInputImage(body, "submit", 117, 33);
        doPost(url("site", "/auth/logon.do"), body, PAGE_NOT_READ);

        const std::string page = doGet(url("site", "/my_account.go"));
        // A refused log-on brings the form back with the password filled in.
        Markers markers = {
            invalid("Before we can send you on your way, we just need a little information."),
        };
        if (const std::optional<std::string> echoed = inPageEncoding(m_password)) {
            markers.push_back(invalid("value=\"" + *echoed + "\""));
        }
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "Subtotal current Cash Back", "<strong>", "<"));

        logOut([this] { doGet(url("site", "/logout.do"), PAGE_NOT_READ); });
    }
};

RL_ADAPTER(Ebates)

}  // namespace tracker::adapters
