// Singapore Airlines KrisFlyer: the site's KrisFlyer page names the session
// in its login form's address on the secure host; the login goes there, and
// after the balance the same session signs off.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Singapore final : public Adapter<Singapore> {
public:
    static constexpr const char* KEY = "Singapore";

    void update() override {
        validateLoginLengths(0, 0, 0, 6, 0, 0);

        const std::string home = doGet(url("site", "/saa/en_UK/content/krisflyer/index.jsp"), 14000);
        static const Markers homeMarkers = {
            maintenance("<title>Singapore Airlines Maintenance Page</title>"),
        };
        if (firstMarker(home, homeMarkers)) return;

        // The form's address names the secure host with its port.
        const std::string login = "https://" + hostName("secure") + ":443/saa/Account/login.jspx?JSESSIONID=";
        const std::string session = lift(home, "action=\"" + login, "\">");

        const std::string body = "userID=" + credential(m_username) + "&pin=" + credential(m_password);
        const std::string page = doPost(login + session, body);

        static const Markers markers = {
            provider("Our system is not responding."),
            interaction("Your account is currently inactive."),
            blocked("We notice that you have not been able to login successfully within the given number of "
                    "attempts.  As a security precaution, your online account has been disabled."),
            invalid("Login Failed."),
            invalid("Please verify your User ID"),
            invalid("You have entered an invalid PIN. Please try again."),
            invalid("The KrisFlyer Number or PIN you have entered is invalid"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, "<td> KrisFlyer Miles", ":", "<"));

        logOut([&] {
            doPost(url("secure", "/saa/Account/logoutAction.jspx?JSESSIONID=" + session), body, PAGE_NOT_READ);
        });
    }
};

RL_ADAPTER(Singapore)

}  // namespace tracker::adapters
