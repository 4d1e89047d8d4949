// JAL Mileage Bank: accounts of the Americas log in on the main site and
// are relayed, with the login answer's hidden fields, to the Americas site,
// which shows the balance; accounts based in Japan (the second password
// "J") and accounts the Americas login turns away log in on the Japanese
// pages of the main site.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Japan final : public Adapter<Japan> {
public:
    static constexpr const char* KEY = "Japan";

    void update() override {
        validateLoginLengths(0, 7, 9, 6, 0, 0);
        if (m_password2 == "J" || m_password2 == "j") {
            accessJapanSite();
            return;
        }

        std::string body = "NO=" + credential(m_username) + "&PIN=" + credential(m_password) + "&LANG=E&";
        appendInputImage(body, "imageField", 38, 16);
        const std::string login = doPost(url("site", "/cgi-bin/jmb/AR/user_login.cgi"), body);

        static const Markers markers = {
            invalid("The Membership Number or PIN you entered is invalid."),
            interaction("<title>Request for change of your PIN</title>"),
        };
        if (firstMarker(login, markers)) return;
        if (login.find("Only American Region members living in North, Central, and South America can access to the "
                       "\"member area\" of this web site.") != std::string::npos) {
            accessJapanSite();
            return;
        }

        static const HiddenFieldRelay loginForm = {"<form", "", "<input type=\"hidden\" name=\"", "value=\"", 15};
        const std::optional<std::string> fields = relayHiddenFields(login, loginForm);
        if (!fields) {
            registerAllUnknown();
            return;
        }
        doPost(url("americas", "/e/login_ok.php"), *fields, PAGE_NOT_READ);
        const std::string page = doGet(url("americas", "/e/jmb/members/index.php"), 20000);
        registerBalance(valueAfter(page, "images/header_mile.gif", "<b>", "<"));
    }

private:
    void accessJapanSite() {
        const std::string body = "member_no=" + credential(m_username) + "&access_cd=" + credential(m_password) +
                                 "&cfm_flag=99&BV_UseBVCookie=no&";
        const std::string login = doPost(url("site", "/cgi-bin/bvjal/usr/scripts/121login_proc.jsp"), body);

        static const Markers markers = {
            // The login error heading in EUC-JP.
            invalid("\xA1\xDA\xA5\xED\xA5\xB0\xA5\xA4\xA5\xF3 \xA5\xA8\xA5\xE9\xA1\xBC\xA1\xDB"),
        };
        if (firstMarker(login, markers)) return;

        const std::string page = doGet(url("site", "/cgi-bin/bvjal/usr/scripts/member_top.jsp"), 5000);
        registerBalance(between(page, "F_MY_MILE=", "\""));
    }
};

RL_ADAPTER(Japan)

}  // namespace tracker::adapters
