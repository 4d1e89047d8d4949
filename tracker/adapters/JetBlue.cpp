// JetBlue trueBlue: an earlier login is ended first; then an ASP.NET login
// form whose view state goes back with the credentials.

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class JetBlue final : public Adapter<JetBlue> {
public:
    static constexpr const char* KEY = "JetBlue";

    void update() override {
        validateLoginLengths(0, 6, 0, 0, 4, 10);

        doGet(url("site", "/trueblue/FF_Logout.aspx?HOME=false"), PAGE_NOT_READ);
        const std::string viewState =
            liftViewState(doGet(url("site", "/trueblue/FF_Login.aspx?PleaseLogin=true&REFPAGE=FF_History.aspx"), 10000));
        if (!requireLifted({viewState}, "No viewstate found for JetBlue")) return;

        std::string body = "__VIEWSTATE=" + viewState + "&UserName=" + credential(m_username) +
                           "&Password=" + credential(m_password);
        appendInputImage(body, "LoginButton", 114, 29);
        // The form's address carries "&amp;" as the site writes it.
        const std::string page =
            doPost(url("site", "/trueblue/FF_Login.aspx?PleaseLogin=true&amp;REFPAGE=FF_History.aspx"), body, 15000);

        static const Markers markers = {
            invalid("You may have entered an incorrect e-mail address or password"),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(
            valueAfterChain(page, {"<strong>CURRENT TRUEBLUE<br>POINTS</strong>", "LabelCurrent"}, "size=6>", "<"));
    }
};

RL_ADAPTER(JetBlue)

}  // namespace tracker::adapters
