// Amtrak Guest Rewards (plain HTTP): the index page, whose log-in form names
// the address the credentials go to, then the balance in the answer.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Amtrak final : public Adapter<Amtrak> {
public:
    static constexpr const char* KEY = "Amtrak";

    void update() override {
        validateLoginLengths(0, 0, 0, 0, 6, 0);

        const std::string index = doGet(url("site", "/index.cfm"));
        static const Markers indexMarkers = {
            maintenance("The Amtrak Guest Rewards web site is currently undergoing maintenance."),
        };
        if (firstMarker(index, indexMarkers)) return;

        const std::optional<std::string> action = resolveOnPage(lift(index, "action=\"", "\""));
        if (!action) {
            cannotDetermine("No form action found for Amtrak");
            return;
        }
        const std::string body = "txtLoginId=" + credential(m_username) + "&txtPswd=" + credential(m_password) +
                                 "&NetScapeNav=U&NetScapeNav5up=U&JavaScriptWorks=U&action=login%2Fals_login.cfm";
        const std::string page = doPost(*action, body);

        static const Markers markers = {
            provider("<H2>Server Error</H2>"),
            maintenance("The Amtrak Guest Rewards web site is currently undergoing maintenance."),
            interaction("Update your email options below so you can receive timely Amtrak Guest Rewards "
                        "communications - sent directly to your email address! Opt in today and you'll enjoy:"),
            interaction("<h1 class=\"homeHead\">NEXT STOP: <strong>REWARDS</strong></h1>"),
            invalid("Invalid password"),
            invalid("Invalid member number"),
            blocked("Your Account is locked."),
            interaction("Please call the Amtrak Guest Rewards Service Center at 1-800-307-5000 to get your account "
                        "information."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(between(page, "You currently have ", " points"));
    }
};

RL_ADAPTER(Amtrak)

}  // namespace tracker::adapters
