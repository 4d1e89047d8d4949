// Asiana Club: the login page opens the session, the login answer sends
// the browser on by a script, and that page shows the balance.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class Asiana final : public Adapter<Asiana> {
public:
    static constexpr const char* KEY = "Asiana";

    void update() override {
        validateLoginLengths(9, 0, 0, 0, 0, 0);

        doGet(url("site", "/English/AMyAsiana/Main/login_body.jsp?site=" + hostName("site")));

        std::string body =
            "stamp=&site=us&win=&rd=on&Asianasn=" + credential(m_username) + "&Asianapass=" + credential(m_password);
        appendInputImage(body, "submit", 25, 15);
        const std::string login = doPost(url("site", "/English/AMyAsiana/Login/TAbcLogin001.jsp?rdchk=acnumber"), body);

        static const Markers markers = {
            invalid("location.href=\"/English/AMyAsiana/ErrorPage/\""),
        };
        if (firstMarker(login, markers)) return;

        const std::optional<std::string> page = followScriptRedirect(login, "location.href = \"", "\"");
        if (!page) return;
        registerBalance(valueAfter(*page, "Current Mileage Balance", "<td valign=\"top\">", " miles"));
    }
};

RL_ADAPTER(Asiana)

}  // namespace tracker::adapters
