// SAS EuroBonus: a cookie the site's script would set, the market choice on
// the site, the login on the secure host (neither answer is read), then the
// account view (its first 55000 bytes).

#include "tracker/adapters/Adapter.h"
#include "tracker/adapters/Registration.h"

namespace tracker::adapters {

class SAS final : public Adapter<SAS> {
public:
    static constexpr const char* KEY = "SAS";

    void update() override {
        validateLoginLengths(0, 3, 10, 0, 6, 12);

        addCookie("site", "ec_Browser", "Javascript=1");
        doPost(url("site", "/EC/Appl/Core/Templates/Basic/InternationalDefaultPageRedirect/"), "MKT=US", PAGE_NOT_READ);

        std::string body = "username=" + credential(m_username) + "&password=" + credential(m_password);
        appendInputImage(body, "", 16, 16);
        doPost(url("secure", "/ibp/custprof/LoginControl.aspx"), body, PAGE_NOT_READ);

        const std::string page = doGet(url("secure", "/ibp/eurobonus/EBAccountView.aspx?MKT=US"), 55000);

        static const Markers markers = {
            maintenance("due to maintenance.  Please try again later."),
            invalid("There is no EuroBonus membership attached to your profile."),
            provider("An internal error (-600000) has occurred in the customer profile database."),
            provider("Technical Problem<br>The application is not available at the moment."),
        };
        if (firstMarker(page, markers)) return;

        registerBalance(valueAfter(page, ">Points for use<", "<SPAN class='clsTableTextWhiteBoldBig'>", "<"));
    }
};

RL_ADAPTER(SAS)

}  // namespace tracker::adapters
