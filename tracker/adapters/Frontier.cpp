// Frontier EarlyReturns: the login page opens the session, the login answer
// sends the browser on by a script, and that page shows the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Frontier final : public Adapter<Frontier> {
public:
    static constexpr const char* KEY = "Frontier";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 20);

        doGet(url("site", "/Traverse/loginER.asp"), PAGE_NOT_READ);

        const std::string body = "user_name=" + credential(m_username) + "&password=" + credential(m_password);
        const std::string verified = doPost(url("site", "/fflier/ff_login_verify.asp"), body);

        static const Markers markers = {
            invalid("Login ID does not exist"),
            invalid("The password is not correct"),
        };
        if (firstMarker(verified, markers)) return;

        // The address is assigned after the script declares its variable.
        const int declared = positionOf(verified, "var refreshUrl");
        const std::optional<std::string> page = followScriptRedirect(
            declared < 0 ? std::string_view() : std::string_view(verified).substr(declared), " = '", "';");
        if (!page) return;

        registerBalance(valueAfter(*page, "Available Miles:", "&nbsp;", "<"));
    }
};

RL_ADAPTER(Frontier)

}  // namespace tracker::adapters
