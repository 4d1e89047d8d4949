// MySony (a cash balance): an ASP.NET log-in form whose view state and
// global id go back with the country and the credentials, then the member
// home page with the points.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Sony final : public Adapter<Sony> {
public:
    static constexpr const char* KEY = "Sony";

    void update() override {
        validateLoginLengths(0, 3, 30, 0, 6, 10);

        const std::string form = doGet(url("secure", "/member_login.aspx"));
        std::string body = "%5F%5FVIEWSTATE=" + escapeLifted(liftValueAfter(form, "__VIEWSTATE")) +
                           "&Login%3Aglobal%5Fid=" +
                           escapeLifted(liftValueAfter(form, "name=\"Login:global_id\"")) + "&" +
                           "Login%3AUcountry=United%20States" + "&Login%3AUname=" + credential(m_username) +
                           "&Login%3AUpassword=" + credential(m_password);
        appendInputImage(body, "Login%3ASigninBtn", 28, 18);
        const std::string page = doPost(url("secure", "/member_login.aspx"), body);

        static const Markers markers = {invalid("The login credentials are not valid.")};
        if (firstMarker(page, markers)) return;

        const std::string home = doGet(url("secure", "/member/member_home.aspx"));
        registerBalance(valueAfter(home, "ms_home_totalpoints.gif", "span id=\"lblPoints\">", "<"));
    }
};

RL_ADAPTER(Sony)

}  // namespace tracker::adapters
